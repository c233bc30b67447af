// The display device's surfaces: fills and copies onto the primary that the device puts off until their result can
// be seen must give the same pixels, frames and reads as if they had been written at once.
#include "platform/display/ddraw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/base/backend.h"
#include "platform/display/headless_display.h"
#include "platform/window/headless_window.h"

namespace dd = platform::dd;

namespace {

class DeviceSurfaces : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::headless::SetDesktop(16, 8, 32);
    platform::headless::ResetFramebuffer();
    ASSERT_EQ(dd::CreateDirectDraw(&device_), dd::kOk);
    ASSERT_EQ(device_->SetCooperativeLevel(0, dd::kSclNormal), dd::kOk);
    ASSERT_EQ(device_->CreateSurface(dd::SurfaceDesc{dd::kCapsPrimarySurface, 0, 0, 0, {}}, &primary_), dd::kOk);
    back_ = Make(16, 8);
  }

  dd::Surface* Make(int w, int h, int bits = 32) {
    dd::Surface* s = nullptr;
    const dd::PixelFormat format = bits == 16 ? dd::RgbFormat(16) : dd::PixelFormat{};
    EXPECT_EQ(device_->CreateSurface(dd::SurfaceDesc{dd::kCapsOffscreenPlain, w, h, 0, format}, &s), dd::kOk);
    return s;
  }
  static std::uint32_t At(const dd::Surface* s, int x, int y) {
    const int bytes = static_cast<int>(s->Format().bitCount / 8);
    std::uint32_t v = 0;
    std::memcpy(&v, s->Pixels() + y * s->Pitch() + x * bytes, static_cast<std::size_t>(bytes));
    return v;
  }
  // Writes a pattern through a lock: pixel (x, y) = seed + 16 y + x, with a top byte that is not part of the picture.
  static void Pattern(dd::Surface* s, std::uint32_t seed) {
    std::uint8_t* p = nullptr;
    int pitch = 0;
    ASSERT_EQ(s->Lock(nullptr, 0, &p, &pitch), dd::kOk);
    for (int y = 0; y < s->Height(); ++y)
      for (int x = 0; x < s->Width(); ++x) {
        const std::uint32_t v = 0xAB000000u | (seed + 16u * static_cast<std::uint32_t>(y) + static_cast<std::uint32_t>(x));
        std::memcpy(p + y * pitch + x * 4, &v, 4);
      }
    s->Unlock();
  }

  std::unique_ptr<dd::DirectDraw> device_;
  dd::Surface* primary_ = nullptr;
  dd::Surface* back_ = nullptr;
};

TEST_F(DeviceSurfaces, PutOffFillsGiveTheSamePixels) {
  struct Step {
    int left, top, right, bottom;  // right 0: the whole surface
    std::uint32_t value;
    bool locked;  // made while the surface is locked
  };
  struct Case {
    int bits;
    std::vector<Step> steps;
  } cases[] = {
      {32, {{0, 0, 0, 0, 0x00112233u, false}}},
      {32, {{0, 0, 0, 0, 0x00112233u, false}, {2, 1, 5, 3, 0x00445566u, false}}},
      {32, {{0, 0, 0, 0, 0x00112233u, false}, {0, 0, 0, 0, 0x00778899u, false}}},
      {32, {{0, 0, 0, 0, 0x00112233u, true}, {1, 1, 2, 2, 7, true}}},
      {16, {{0, 0, 0, 0, 0xFFFFu, false}, {3, 0, 4, 8, 0xF81Fu, false}}},
      {16, {{0, 0, 0, 0, 0x1234u, false}}},
  };
  for (const Case& c : cases) {
    dd::Surface* s = Make(9, 8, c.bits);
    std::vector<std::uint32_t> want(9 * 8, 0);
    for (const Step& st : c.steps) {
      std::uint8_t* p = nullptr;
      int pitch = 0;
      if (st.locked) {
        ASSERT_EQ(s->Lock(nullptr, 0, &p, &pitch), dd::kOk);
      }
      const dd::Rect r = st.right == 0 ? dd::Rect{0, 0, 9, 8} : dd::Rect{st.left, st.top, st.right, st.bottom};
      ASSERT_EQ(s->Blt(st.right == 0 ? nullptr : &r, nullptr, nullptr, dd::kBltColorFill, st.value), dd::kOk);
      if (st.locked) s->Unlock();
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) want[static_cast<std::size_t>(y * 9 + x)] = st.value;
    }
    // Read once through a copy into another surface and once directly.
    dd::Surface* copy = Make(9, 8, c.bits);
    ASSERT_EQ(copy->Blt(nullptr, s, nullptr, 0, 0), dd::kOk);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(At(s, x, y), want[static_cast<std::size_t>(y * 9 + x)]) << c.bits << " bits at " << x << "," << y;
        EXPECT_EQ(At(copy, x, y), want[static_cast<std::size_t>(y * 9 + x)]) << "copy at " << x << "," << y;
      }
    device_->ReleaseSurface(copy);
    device_->ReleaseSurface(s);
  }
}

TEST_F(DeviceSurfaces, TheShownFrameAndThePrimaryKeepTheCopiedPixelsWhateverTheSourceDoesNext) {
  // The presented frame, and (readPrimary) the primary's own pixels, which reading makes the device write.
  auto expectPrimary = [&](std::uint32_t seed, const char* what, bool readPrimary = true) {
    const platform::headless::Framebuffer fb = platform::headless::GetFramebuffer();
    ASSERT_EQ(fb.width, 16) << what;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x) {
        const std::uint32_t want = seed + 16u * static_cast<std::uint32_t>(y) + static_cast<std::uint32_t>(x);
        ASSERT_EQ(fb.pixels[static_cast<std::size_t>(y * 16 + x)], want) << what << " frame at " << x << "," << y;
        if (readPrimary) {
          ASSERT_EQ(At(primary_, x, y), 0xAB000000u | want) << what << " primary at " << x << "," << y;
        }
      }
  };
  Pattern(back_, 0x100);
  ASSERT_EQ(primary_->Blt(nullptr, back_, nullptr, dd::kBltWait, 0), dd::kOk);
  expectPrimary(0x100, "after the copy", false);

  // The next frame's clear, then drawing: the primary keeps the old frame, the back surface reads as cleared.
  ASSERT_EQ(back_->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill, 0), dd::kOk);
  EXPECT_EQ(At(back_, 5, 5), 0u);
  expectPrimary(0x100, "after the source was cleared");
  ASSERT_EQ(primary_->Blt(nullptr, back_, nullptr, dd::kBltWait, 0), dd::kOk);
  EXPECT_EQ(At(primary_, 3, 3), 0u);

  // Drawing into the source through a lock, without a clear first.
  Pattern(back_, 0x200);
  ASSERT_EQ(primary_->Blt(nullptr, back_, nullptr, dd::kBltWait, 0), dd::kOk);
  expectPrimary(0x200, "after the second copy", false);
  Pattern(back_, 0x300);
  expectPrimary(0x200, "after the source was drawn into");

  // A part of the primary written over the shown frame, and the source released.
  ASSERT_EQ(primary_->Blt(nullptr, back_, nullptr, dd::kBltWait, 0), dd::kOk);
  const dd::Rect corner{0, 0, 2, 2};
  ASSERT_EQ(primary_->Blt(&corner, nullptr, nullptr, dd::kBltColorFill, 0x00FFFFFFu), dd::kOk);
  EXPECT_EQ(At(primary_, 1, 1), 0x00FFFFFFu);
  EXPECT_EQ(At(primary_, 2, 2), 0xAB000000u | (0x300u + 34u));
  ASSERT_EQ(primary_->Blt(nullptr, back_, nullptr, dd::kBltWait, 0), dd::kOk);
  expectPrimary(0x300, "after the third copy", false);
  device_->ReleaseSurface(back_);
  back_ = nullptr;
  expectPrimary(0x300, "after the source was released");
}

// Scaled and keyed copies pick source pixel (x * source width / width, y * source height / height).
TEST_F(DeviceSurfaces, ScaledAndKeyedCopiesPickTheNearestSourcePixel) {
  dd::Surface* src = Make(3, 2);
  Pattern(src, 0x10);
  src->SetColorKey(0xAB000000u | 0x11u, 0);  // (1, 0)
  for (const bool keyed : {false, true}) {
    dd::Surface* dst = Make(7, 5);
    ASSERT_EQ(dst->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill, 0x5A5A5A5Au), dd::kOk);
    const dd::Rect to{0, 0, 7, 5};
    ASSERT_EQ(dst->Blt(&to, src, nullptr, keyed ? dd::kBltKeySrc : 0, 0), dd::kOk);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const int sx = x * 3 / 7, sy = y * 2 / 5;
        const std::uint32_t v = 0xAB000000u | (0x10u + 16u * static_cast<std::uint32_t>(sy) + static_cast<std::uint32_t>(sx));
        const bool skipped = keyed && sx == 1 && sy == 0;
        EXPECT_EQ(At(dst, x, y), skipped ? 0x5A5A5A5Au : v) << (keyed ? "keyed " : "") << x << "," << y;
      }
    device_->ReleaseSurface(dst);
  }
}

}  // namespace
