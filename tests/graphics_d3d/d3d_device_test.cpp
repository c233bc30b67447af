// The 3D device stand-in on its own: context, formats, scenes, states, primitives, textures, read-back and loss.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d/d3d.h"
#include "platform/d3d/egl_context.h"
#include "platform/display/headless_display.h"
#include "tests/support/context_mode.h"

namespace dd = platform::dd;
namespace d3d = platform::d3d;

namespace {

struct Vertex {  // 0x144
  float x, y, z, rhw;
  std::uint32_t colour;
  float u, v;
};
struct PlainVertex {  // 0x044
  float x, y, z, rhw;
  std::uint32_t colour;
};

class D3DDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    contextMode_.Set(d3d::ContextMode::kEgl);
    ASSERT_EQ(dd::CreateDirectDraw(&ddraw_), dd::kOk);
    dd::SurfaceDesc desc{dd::kCapsOffscreenPlain | dd::kCaps3DDevice, 32, 16, 0, dd::RgbFormat(32)};
    ASSERT_EQ(ddraw_->CreateSurface(desc, &back_), dd::kOk);
    ASSERT_EQ(d3d::CreateDirect3D(ddraw_.get(), &object_), dd::kOk) << "no EGL surfaceless context";
    ASSERT_EQ(object_->CreateDevice(d3d::DeviceGuid::kHal, back_, &device_), dd::kOk);
    device_->SetRenderState(d3d::kRsShadeMode, d3d::kShadeFlat);
    for (int i = 0; i < 4; ++i) device_->SetTextureStageState(i, d3d::kTssTexCoordIndex, 0);
  }
  void TearDown() override {
    object_.reset();
    ddraw_.reset();
  }
  std::uint32_t Pixel(int x, int y) {
    std::uint8_t* p = nullptr;
    int pitch = 0;
    EXPECT_EQ(back_->Lock(nullptr, dd::kLockReadOnly, &p, &pitch), dd::kOk);
    std::uint32_t v = 0;
    std::memcpy(&v, p + y * pitch + x * 4, 4);
    back_->Unlock();
    return v & 0xFFFFFF;
  }
  void Fill(std::uint32_t value) { back_->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill, value); }
  // An untextured rectangle as two triangles.
  void Box(float l, float t, float r, float b, std::uint32_t colour) {
    const PlainVertex v[6] = {{l, t, 0, 1, colour}, {r, t, 0, 1, colour}, {l, b, 0, 1, colour},
                              {r, b, 0, 1, colour}, {l, b, 0, 1, colour}, {r, t, 0, 1, colour}};
    device_->SetTextureStageState(0, d3d::kTssColorOp, d3d::kOpSelectArg1);
    device_->SetTextureStageState(0, d3d::kTssColorArg1, d3d::kTaDiffuse);
    device_->SetTextureStageState(0, d3d::kTssAlphaOp, d3d::kOpSelectArg1);
    device_->SetTextureStageState(0, d3d::kTssAlphaArg1, d3d::kTaDiffuse);
    ASSERT_EQ(device_->DrawPrimitive(d3d::kTriangleList, 0x44, v, 6, 0), dd::kOk);
  }
  test_support::ContextModePin contextMode_;
  std::unique_ptr<dd::DirectDraw> ddraw_;
  dd::Surface* back_ = nullptr;
  std::unique_ptr<d3d::Direct3D> object_;
  d3d::Device* device_ = nullptr;
};

// A Z surface attached to the target takes part in the draws: the Z states test and write depth, a depth fill in
// memory reaches the GPU, and the depth the GPU wrote is in the Z surface after EndScene. Without ZEnable, or with
// no Z surface, every draw lands.
TEST_F(D3DDeviceTest, TheAttachedZSurfaceTestsAndKeepsDepth) {
  dd::Surface* z = nullptr;
  ASSERT_EQ(ddraw_->CreateSurface(dd::SurfaceDesc{dd::kCapsZBuffer, 32, 16, 0, dd::ZBufferFormat16()}, &z), dd::kOk);
  ASSERT_EQ(back_->AddAttachedSurface(z), dd::kOk);
  auto depthAt = [&](int x, int y) {
    std::uint8_t* p = nullptr;
    int pitch = 0;
    EXPECT_EQ(z->Lock(nullptr, dd::kLockReadOnly, &p, &pitch), dd::kOk);
    std::uint16_t v = 0;
    std::memcpy(&v, p + y * pitch + x * 2, 2);
    z->Unlock();
    return v;
  };
  auto box = [&](float l, float r, float depth, std::uint32_t colour) {
    const PlainVertex v[6] = {{l, 0, depth, 1, colour}, {r, 0, depth, 1, colour}, {l, 16, depth, 1, colour},
                              {r, 16, depth, 1, colour}, {l, 16, depth, 1, colour}, {r, 0, depth, 1, colour}};
    ASSERT_EQ(device_->DrawPrimitive(d3d::kTriangleList, 0x44, v, 6, 0), dd::kOk);
  };
  device_->SetTextureStageState(0, d3d::kTssColorOp, d3d::kOpSelectArg1);
  device_->SetTextureStageState(0, d3d::kTssColorArg1, d3d::kTaDiffuse);
  Fill(0);
  z->Blt(nullptr, nullptr, nullptr, dd::kBltDepthFill, 0xFFFF);
  device_->SetRenderState(d3d::kRsZEnable, 1);
  device_->SetRenderState(d3d::kRsZWriteEnable, 1);
  device_->SetRenderState(d3d::kRsZFunc, d3d::kCmpLess);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  box(0, 20, 0.5f, 0xFFFF0000);   // columns 0..19 at 0.5
  box(10, 30, 0.75f, 0xFF00FF00);  // behind the red where they overlap
  box(15, 25, 0.25f, 0xFF0000FF);  // in front of both
  device_->SetRenderState(d3d::kRsZWriteEnable, 0);
  box(28, 32, 0.0f, 0xFFFFFFFF);   // passes, writes no depth
  ASSERT_EQ(device_->EndScene(), dd::kOk);
  struct Case {
    int x;
    std::uint32_t colour;
    int depth;  // in 1/65535
  };
  const Case cases[] = {{5, 0xFF0000, 32768}, {12, 0xFF0000, 32768}, {17, 0x0000FF, 16384},
                        {22, 0x0000FF, 16384}, {26, 0x00FF00, 49151}, {29, 0xFFFFFF, 49151}, {31, 0xFFFFFF, 65535}};
  for (const Case& c : cases) {
    EXPECT_EQ(Pixel(c.x, 8), c.colour) << c.x;
    EXPECT_NEAR(depthAt(c.x, 8), c.depth, 1) << c.x;
  }
  // A depth fill between scenes reaches the GPU; the Z test off lets everything through.
  z->Blt(nullptr, nullptr, nullptr, dd::kBltDepthFill, 0);
  device_->SetRenderState(d3d::kRsZWriteEnable, 1);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  box(0, 16, 0.1f, 0xFF808080);  // fails against depth 0
  device_->SetRenderState(d3d::kRsZEnable, 0);
  box(16, 32, 0.9f, 0xFF404040);
  ASSERT_EQ(device_->EndScene(), dd::kOk);
  EXPECT_EQ(Pixel(5, 8), 0xFF0000u);
  EXPECT_EQ(Pixel(20, 8), 0x404040u);
  EXPECT_EQ(depthAt(20, 8), 0);
  back_->DeleteAttachedSurface(z);
}

TEST_F(D3DDeviceTest, RendererIsNamedAndDevicesAreListed) {
  EXPECT_FALSE(object_->RendererName().empty());
  std::vector<d3d::DeviceGuid> guids;
  object_->EnumDevices([&](const std::string&, const std::string&, const d3d::DeviceDesc& desc) {
    guids.push_back(desc.guid);
    EXPECT_NE(desc.renderBitDepths & d3d::kBitDepth32, 0u);
    return true;
  });
  EXPECT_EQ(guids.size(), 3u);
  int formats = 0;
  device_->EnumTextureFormats([&](const dd::PixelFormat&) { return ++formats < 100; });
  EXPECT_EQ(formats, 5);
  EXPECT_EQ(d3d::VertexSize(0x44), 20);
  EXPECT_EQ(d3d::VertexSize(0x144), 28);
  EXPECT_EQ(d3d::VertexSize(0x2C4), 40);
  EXPECT_EQ(d3d::VertexSize(0x42), 0);
}

TEST_F(D3DDeviceTest, DrawingOutsideASceneIsRefused) {
  const PlainVertex v[3] = {};
  EXPECT_EQ(device_->DrawPrimitive(d3d::kTriangleList, 0x44, v, 3, 0), d3d::kErrSceneNotInScene);
  EXPECT_EQ(device_->EndScene(), d3d::kErrSceneNotInScene);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  EXPECT_EQ(device_->BeginScene(), d3d::kErrSceneInScene);
  EXPECT_EQ(device_->DrawPrimitive(d3d::kTriangleList, 0x44, v, 4, 0), dd::kErrInvalidParams);
  EXPECT_EQ(device_->EndScene(), dd::kOk);
}

// Integer rectangle edges cover exactly the pixels left..right-1 and top..bottom-1; what the surface held before the
// scene stays where nothing was drawn; the drawn pixels are in the surface after EndScene.
TEST_F(D3DDeviceTest, BoxCoversTopLeftRuleAndKeepsSurfacePixels) {
  Fill(0x123456);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  Box(2, 3, 6, 5, 0xFFFF0000);
  ASSERT_EQ(device_->EndScene(), dd::kOk);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool in = x >= 2 && x < 6 && y >= 3 && y < 5;
      ASSERT_EQ(Pixel(x, y), in ? 0xFF0000u : 0x123456u) << x << "," << y;
    }
  }
}

// Each side is sent to the other only when it is the newer one and needed: drawing stays on the GPU across scenes
// until memory is read; a change made in memory between scenes goes up before the next draw and is kept under it; a
// whole fill is done on both sides and costs no transfer either way.
TEST_F(D3DDeviceTest, PixelsMoveOnlyWhenTheOtherSideNeedsThem) {
  auto scene = [&](float l, float t, float r, float b, std::uint32_t colour) {
    ASSERT_EQ(device_->BeginScene(), dd::kOk);
    Box(l, t, r, b, colour);
    ASSERT_EQ(device_->EndScene(), dd::kOk);
  };
  Fill(0x000080);
  scene(0, 0, 4, 4, 0xFFFF0000);
  scene(4, 0, 8, 4, 0xFF00FF00);
  EXPECT_EQ(object_->SurfaceReadBacks(), 0u) << "ending a scene read the drawing back";
  const std::uint64_t uploads = object_->SurfaceUploads();
  EXPECT_EQ(Pixel(1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(5, 1), 0x00FF00u);
  EXPECT_EQ(Pixel(20, 10), 0x000080u);
  EXPECT_EQ(object_->SurfaceReadBacks(), 1u) << "reads after the first need no further read-back";

  // A software draw between scenes: a pixel written through a lock.
  std::uint8_t* p = nullptr;
  int pitch = 0;
  ASSERT_EQ(back_->Lock(nullptr, 0, &p, &pitch), dd::kOk);
  const std::uint32_t white = 0xFFFFFFFF;
  std::memcpy(p + 10 * pitch + 30 * 4, &white, 4);
  back_->Unlock();
  scene(0, 8, 4, 12, 0xFF0000FF);
  EXPECT_EQ(object_->SurfaceUploads(), uploads + 1);
  EXPECT_EQ(Pixel(30, 10), 0xFFFFFFu) << "the memory change was lost under the next scene";
  EXPECT_EQ(Pixel(1, 9), 0x0000FFu);
  EXPECT_EQ(Pixel(1, 1), 0xFF0000u);

  // The next frame's clear and drawing.
  const std::uint64_t readBacks = object_->SurfaceReadBacks();
  Fill(0x404040);
  scene(8, 8, 12, 12, 0xFFFFFF00);
  EXPECT_EQ(object_->SurfaceUploads(), uploads + 1) << "a whole fill was uploaded";
  EXPECT_EQ(object_->SurfaceReadBacks(), readBacks) << "a whole fill read the drawing back";
  EXPECT_EQ(Pixel(9, 9), 0xFFFF00u);
  EXPECT_EQ(Pixel(1, 1), 0x404040u);
  EXPECT_EQ(Pixel(30, 10), 0x404040u);
}

// A primary that shows the drawn back buffer keeps the picture it showed while the device goes on drawing into the
// back buffer.
TEST_F(D3DDeviceTest, AShownPictureStaysWhileTheNextOneIsDrawn) {
  dd::SurfaceDesc primaryDesc{dd::kCapsPrimarySurface, 0, 0, 0, dd::RgbFormat(32)};
  dd::Surface* primary = nullptr;
  ASSERT_EQ(ddraw_->CreateSurface(primaryDesc, &primary), dd::kOk);
  Fill(0);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  Box(0, 0, 8, 8, 0xFFFF0000);
  ASSERT_EQ(device_->EndScene(), dd::kOk);
  const dd::Rect rect{0, 0, 32, 16};
  ASSERT_EQ(primary->Blt(&rect, back_, &rect, dd::kBltWait, 0), dd::kOk);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  Box(0, 0, 8, 8, 0xFF00FF00);
  ASSERT_EQ(device_->EndScene(), dd::kOk);
  EXPECT_EQ(Pixel(2, 2), 0x00FF00u);
  std::uint8_t* p = nullptr;
  int pitch = 0;
  ASSERT_EQ(primary->Lock(nullptr, dd::kLockReadOnly, &p, &pitch), dd::kOk);
  std::uint32_t v = 0;
  std::memcpy(&v, p + 2 * pitch + 2 * 4, 4);
  primary->Unlock();
  EXPECT_EQ(v & 0xFFFFFF, 0xFF0000u);
}

// A flip chain's buffers trade their GPU copies: frames reach the headless framebuffer with nothing read back at the
// flip (32-bit chains; a 16-bit primary is read back to be shown), and each buffer comes round with the frame it
// held, which a lock then reads from the GPU.
TEST_F(D3DDeviceTest, AFlipMovesTheGpuCopiesAlongTheChain) {
  struct Case {
    int bits, backBuffers;
  };
  const Case cases[] = {{32, 1}, {32, 2}, {16, 1}};
  const std::uint32_t boxes[5] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF00FF};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.backBuffers) + " back buffers");
    platform::headless::ResetFramebuffer();
    ASSERT_EQ(ddraw_->SetCooperativeLevel(0, dd::kSclExclusive | dd::kSclFullScreen), dd::kOk);
    ASSERT_EQ(ddraw_->SetDisplayMode(640, 480, c.bits, 60, 0), dd::kOk);
    const dd::SurfaceDesc desc{dd::kCapsPrimarySurface | dd::kCapsFlip | dd::kCapsComplex | dd::kCaps3DDevice, 0, 0,
                               c.backBuffers, {}};
    dd::Surface* primary = nullptr;
    ASSERT_EQ(ddraw_->CreateSurface(desc, &primary), dd::kOk);
    dd::Surface* back = primary->BackBuffer();
    ASSERT_EQ(device_->SetRenderTarget(d3d::RenderTarget{back, nullptr}), dd::kOk);
    const std::uint64_t readBacks = object_->SurfaceReadBacks();
    for (std::uint64_t frame = 0; frame < 5; ++frame) {
      ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill, 0), dd::kOk);
      ASSERT_EQ(device_->BeginScene(), dd::kOk);
      Box(0, 0, 8, 8, boxes[frame]);
      ASSERT_EQ(device_->EndScene(), dd::kOk);
      ASSERT_EQ(primary->Flip(nullptr, dd::kFlipNoVSync), dd::kOk);
      EXPECT_EQ(object_->SurfaceReadBacks() - readBacks, c.bits == 32 ? 0 : frame + 1) << "frame " << frame;
    }
    EXPECT_EQ(platform::headless::FramebufferPixel(2, 2), boxes[4] & 0xFFFFFFu);
    EXPECT_EQ(platform::headless::FramebufferPixel(20, 2), 0u);
    std::uint8_t* p = nullptr;
    int pitch = 0;
    ASSERT_EQ(back->Lock(nullptr, dd::kLockReadOnly, &p, &pitch), dd::kOk);
    std::uint32_t v = 0;
    std::memcpy(&v, p + 2 * pitch + 2 * (c.bits / 8), static_cast<std::size_t>(c.bits / 8));
    back->Unlock();
    const std::uint32_t held = boxes[4 - c.backBuffers];
    const std::uint32_t expected =
        c.bits == 32 ? held & 0xFFFFFFu
                     : ((held >> 8) & 0xF800u) | ((held >> 5) & 0x07E0u) | ((held >> 3) & 0x001Fu);
    EXPECT_EQ(c.bits == 32 ? v & 0xFFFFFFu : v, expected) << "the back buffer after the flips";
    ASSERT_EQ(device_->SetRenderTarget(d3d::RenderTarget{back_, nullptr}), dd::kOk);
    ddraw_->ReleaseSurface(primary);
    ddraw_->RestoreDisplayMode();
    ASSERT_EQ(ddraw_->SetCooperativeLevel(0, dd::kSclNormal), dd::kOk);
  }
}

TEST_F(D3DDeviceTest, BlendFactorsAndViewportClip) {
  struct Case {
    std::uint32_t src, dest;
    std::uint32_t colour;  // A8R8G8B8 drawn over 0x808080
    std::uint32_t expected;
  };
  const Case cases[] = {
      {d3d::kBlendSrcAlpha, d3d::kBlendInvSrcAlpha, 0x80FF0000, 0xBF4040},  // alpha
      {d3d::kBlendSrcAlpha, d3d::kBlendOne, 0xFF204000, 0xA0C080},          // add
      {d3d::kBlendZero, d3d::kBlendSrcColor, 0xFF80FF00, 0x408000},         // multiply
      {d3d::kBlendInvDestColor, d3d::kBlendZero, 0xFFFFFFFF, 0x7F7F7F},     // invert the destination
  };
  for (const Case& c : cases) {
    Fill(0x808080);
    ASSERT_EQ(device_->BeginScene(), dd::kOk);
    device_->SetRenderState(d3d::kRsAlphaBlendEnable, 1);
    device_->SetRenderState(d3d::kRsSrcBlend, c.src);
    device_->SetRenderState(d3d::kRsDestBlend, c.dest);
    device_->SetViewport(d3d::Viewport{0, 0, 4, 16, 0, 1});
    Box(0, 0, 32, 16, c.colour);
    ASSERT_EQ(device_->EndScene(), dd::kOk);
    const std::uint32_t got = Pixel(1, 1);
    for (int shift = 0; shift < 24; shift += 8) {
      EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((c.expected >> shift) & 0xFF), 1)
          << std::hex << c.colour;
    }
    EXPECT_EQ(Pixel(4, 1), 0x808080u) << "outside the viewport";
  }
}

// A 32-bit texture with a colour key drawn texel for texel (half-pixel offset), the keyed texel left out; a
// texture stage modulating by the vertex colour.
TEST_F(D3DDeviceTest, TexturedQuadWithColourKeyAndModulation) {
  d3d::Texture* tex = nullptr;
  const dd::PixelFormat x8r8g8b8{32, dd::kPfRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
  ASSERT_EQ(object_->CreateTexture(4, 4, x8r8g8b8, &tex), dd::kOk);
  std::uint8_t* p = nullptr;
  int pitch = 0;
  ASSERT_EQ(tex->Lock(nullptr, dd::kLockWriteOnly, &p, &pitch), dd::kOk);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const std::uint32_t v = 0xFF000000u | static_cast<std::uint32_t>(x * 60) << 16 | static_cast<std::uint32_t>(y * 60);
      std::memcpy(p + y * pitch + x * 4, &v, 4);
    }
  }
  tex->Unlock();
  tex->SetColorKey(0xFF000000u, 0xFF000000u);  // texel (0, 0)
  Fill(0x00FF00);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  device_->SetRenderState(d3d::kRsColorKeyEnable, 1);
  device_->SetTexture(0, tex);
  device_->SetTextureStageState(0, d3d::kTssColorOp, d3d::kOpModulate);
  device_->SetTextureStageState(0, d3d::kTssColorArg1, d3d::kTaTexture);
  device_->SetTextureStageState(0, d3d::kTssColorArg2, d3d::kTaDiffuse);
  device_->SetTextureStageState(0, d3d::kTssAlphaOp, d3d::kOpSelectArg1);
  device_->SetTextureStageState(0, d3d::kTssAlphaArg1, d3d::kTaTexture);
  const float x0 = 10 - 0.5f, y0 = 2 - 0.5f;
  const std::uint32_t half = 0xFF808080;
  const Vertex v[6] = {{x0, y0, 0, 1, half, 0, 0},         {x0 + 4, y0, 0, 1, half, 1, 0},
                       {x0, y0 + 4, 0, 1, half, 0, 1},     {x0 + 4, y0 + 4, 0, 1, half, 1, 1},
                       {x0, y0 + 4, 0, 1, half, 0, 1},     {x0 + 4, y0, 0, 1, half, 1, 0}};
  ASSERT_EQ(device_->DrawPrimitive(d3d::kTriangleList, 0x144, v, 6, 0), dd::kOk);
  ASSERT_EQ(device_->EndScene(), dd::kOk);
  EXPECT_EQ(Pixel(10, 2), 0x00FF00u) << "keyed texel";
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (x == 0 && y == 0) continue;
      const std::uint32_t got = Pixel(10 + x, 2 + y);
      EXPECT_NEAR(static_cast<int>(got >> 16), x * 60 * 128 / 255, 1) << x << "," << y;
      EXPECT_NEAR(static_cast<int>(got & 0xFF), y * 60 * 128 / 255, 1) << x << "," << y;
    }
  }
  EXPECT_EQ(Pixel(14, 2), 0x00FF00u);
}

// Drawing into a texture, then sampling it; a texture drawn into is read back when locked.
TEST_F(D3DDeviceTest, TextureAsRenderTargetIsReadBackOnLock) {
  d3d::Texture* tex = nullptr;
  const dd::PixelFormat r5g6b5{32, dd::kPfRgb, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
  ASSERT_EQ(object_->CreateTexture(8, 8, r5g6b5, &tex), dd::kOk);
  ASSERT_EQ(device_->SetRenderTarget(d3d::RenderTarget{nullptr, tex}), dd::kOk);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  device_->SetViewport(d3d::Viewport{0, 0, 8, 8, 0, 1});
  Box(0, 0, 4, 8, 0xFFFF0000);
  std::uint8_t* p = nullptr;
  int pitch = 0;
  ASSERT_EQ(tex->Lock(nullptr, dd::kLockReadOnly, &p, &pitch), dd::kOk);
  std::uint16_t px[2];
  std::memcpy(&px[0], p, 2);
  std::memcpy(&px[1], p + 5 * 2, 2);
  tex->Unlock();
  EXPECT_EQ(px[0], 0xF800);
  EXPECT_EQ(px[1], 0x0000);
  ASSERT_EQ(device_->EndScene(), dd::kOk);
}

TEST_F(D3DDeviceTest, LoadCopiesAndLossRefusesUntilRestored) {
  const dd::PixelFormat a8r8g8b8{32, dd::kPfRgb | dd::kPfAlphaPixels, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  d3d::Texture* a = nullptr;
  d3d::Texture* b = nullptr;
  ASSERT_EQ(object_->CreateTexture(4, 4, a8r8g8b8, &a), dd::kOk);
  ASSERT_EQ(object_->CreateTexture(4, 4, a8r8g8b8, &b), dd::kOk);
  a->Fill(nullptr, 0x11223344);
  const dd::Rect r{1, 1, 3, 3};
  ASSERT_EQ(device_->Load(b, 0, 0, a, &r, 0), dd::kOk);
  EXPECT_EQ(device_->Load(b, 3, 3, a, &r, 0), dd::kErrInvalidRect);
  std::uint32_t v = 0;
  std::memcpy(&v, b->Pixels() + 4, 4);
  EXPECT_EQ(v, 0x11223344u);
  std::memcpy(&v, b->Pixels() + 8, 4);
  EXPECT_EQ(v, 0u);

  object_->SimulateDeviceLoss();
  std::uint8_t* p = nullptr;
  int pitch = 0;
  EXPECT_EQ(a->Lock(nullptr, 0, &p, &pitch), dd::kErrSurfaceLost);
  EXPECT_EQ(a->IsLost(), dd::kErrSurfaceLost);
  ASSERT_EQ(device_->BeginScene(), dd::kOk);
  const PlainVertex tri[3] = {};
  EXPECT_EQ(device_->DrawPrimitive(d3d::kTriangleList, 0x44, tri, 3, 0), dd::kErrSurfaceLost);
  device_->EndScene();
  EXPECT_EQ(a->Restore(), dd::kOk);
  EXPECT_EQ(a->IsLost(), dd::kOk);
  std::memcpy(&v, a->Pixels(), 4);
  EXPECT_EQ(v, 0u) << "a restored texture's pixels are undefined (zero here)";
}

// Off, and the default (the window's context) where no window lent one, give no object: the 2D path runs.
TEST(D3DContext, NoObjectWithoutAContext) {
  for (const d3d::ContextMode mode : {d3d::ContextMode::kOff, d3d::ContextMode::kWindow}) {
    d3d::SetContextMode(mode);
    std::unique_ptr<dd::DirectDraw> ddraw;
    ASSERT_EQ(dd::CreateDirectDraw(&ddraw), dd::kOk);
    std::unique_ptr<d3d::Direct3D> object;
    EXPECT_EQ(d3d::CreateDirect3D(ddraw.get(), &object), dd::kErrNoInterface);
    EXPECT_EQ(object, nullptr);
  }
  d3d::ClearContextModeOverride();
}

TEST(D3DContext, SwitchValues) {
  d3d::ClearContextModeOverride();
  const char* const saved = std::getenv("ENGINE_D3D");
  const std::string savedValue = saved != nullptr ? saved : "";
  struct Case {
    const char* value;  // null: unset
    d3d::ContextMode mode;
  };
  const Case cases[] = {{nullptr, d3d::ContextMode::kWindow}, {"", d3d::ContextMode::kWindow},
                        {"off", d3d::ContextMode::kOff},      {"0", d3d::ContextMode::kOff},
                        {"egl", d3d::ContextMode::kEgl},      {"on", d3d::ContextMode::kEgl},
                        {"1", d3d::ContextMode::kEgl},        {"gpu", d3d::ContextMode::kOff}};
  for (const Case& c : cases) {
    if (c.value == nullptr) {
      unsetenv("ENGINE_D3D");
    } else {
      setenv("ENGINE_D3D", c.value, 1);
    }
    EXPECT_EQ(d3d::RequestedContextMode(), c.mode) << (c.value != nullptr ? c.value : "(unset)");
  }
  if (saved != nullptr) {
    setenv("ENGINE_D3D", savedValue.c_str(), 1);
  } else {
    unsetenv("ENGINE_D3D");
  }
}

}  // namespace
