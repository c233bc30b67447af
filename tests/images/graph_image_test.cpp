#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/graphics/jpeg_loader.h"
#include "engine/graphics/png_loader.h"
#include "engine/core/file_functions.h"
#include "tests/images/image_writers.h"

// Fixtures name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace testimg;

Bytes SmallBmp() {  // 2 x 1, 24-bit: pixels 0x030201, 0x060504
  return Writer()
      .Text("BM").U32(62).U32(0).U32(54)
      .U32(40).U32(2).U32(1).U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0)
      .Raw({1, 2, 3, 4, 5, 6, 0, 0})
      .bytes;
}
Bytes SmallPng() {
  return WritePng({.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8, .rows = {3, 2, 1, 6, 5, 4}});
}
Bytes SmallJpeg() { return WriteJpeg({.width = 2, .height = 1, .components = 1, .samples = {0, 255}}); }
Bytes SmallBgra() { return Writer().Text("BGRA").U32(0x08080808).U32(2).U32(1).Raw({1, 2, 3, 4, 5, 6, 7, 8}).bytes; }
Bytes SmallTga() { return Writer().Raw({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 1, 2, 3, 4, 5, 6}).bytes; }
Bytes SmallDds() {
  Writer w;
  w.Text("DDS ").U32(124).U32(0x1007).U32(1).U32(2).U32(0).Zeros(52).U32(32).U32(0x40).U32(0).U32(24);
  w.U32(0xFF0000).U32(0xFF00).U32(0xFF).U32(0).Zeros(20).Raw({1, 2, 3, 4, 5, 6});
  return w.bytes;
}

TEST(DecodeGraphImage, EachFormatFindsItsDecoder) {
  const struct {
    const char* name;
    Bytes bytes;
    int bits;
  } files[] = {{"bmp", SmallBmp(), 24}, {"png", SmallPng(), 24}, {"jpeg", SmallJpeg(), 8},
               {"bgra", SmallBgra(), 32}, {"tga", SmallTga(), 24}, {"dds", SmallDds(), 24}};
  for (const auto& f : files) {
    MemSource source(f.bytes);
    GraphImage image{};
    ASSERT_EQ(DecodeGraphImage(source.get(), &image), 0) << f.name;
    EXPECT_EQ(image.width, 2) << f.name;
    EXPECT_EQ(image.height, 1) << f.name;
    EXPECT_EQ(image.colorData.bitsPerPixel, f.bits) << f.name;
    if (f.bits == 24) {
      EXPECT_EQ(GetImagePixelColor(&image, 1, 0), 0x060504u) << f.name;
    }
    ReleaseGraphImage(&image);
  }
  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes garbage(300, 0x5A);
  MemSource source(garbage);
  GraphImage image{};
  EXPECT_EQ(DecodeGraphImage(source.get(), &image), -1);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

int g_userCalls = 0;
int AcceptAnything(StreamSource* source, GraphImage* image) {
  ++g_userCalls;
  EXPECT_EQ(source->functions.tell(source->handle), 0);
  SetupRGB24ColorData(&image->colorData);
  image->width = 7;
  image->height = 1;
  image->pitch = 24;
  image->pixels = ENGINE_ALLOC(24);
  return 0;
}
int Refuse(StreamSource* source, GraphImage*) {
  ++g_userCalls;
  source->functions.seek(source->handle, 5, 0);  // the next decoder still starts at 0
  return -1;
}

TEST(DecodeGraphImage, UserDecodersAreTriedFirst) {
  g_UserImageDecoders[0] = Refuse;
  g_UserImageDecoders[1] = AcceptAnything;
  g_UserImageDecoderCount = 2;
  const Bytes png = SmallPng();
  MemSource source(png);
  GraphImage image{};
  EXPECT_EQ(DecodeGraphImage(source.get(), &image), 0);
  EXPECT_EQ(image.width, 7);
  EXPECT_EQ(g_userCalls, 2);
  ReleaseGraphImage(&image);
  g_UserImageDecoderCount = 1;  // only the refusing one: the built-in table follows
  MemSource again(png);
  EXPECT_EQ(DecodeGraphImage(again.get(), &image), 0);
  EXPECT_EQ(image.width, 2);
  ReleaseGraphImage(&image);
  g_UserImageDecoderCount = 0;
  g_UserImageDecoders[0] = g_UserImageDecoders[1] = nullptr;
}

class DecodeImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "images_test_XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    InstallFileFunctions(&PlainFileFunctions());
  }
  void TearDown() override {
    InstallFileFunctions(nullptr);
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  static void Write(const char* name, const Bytes& bytes) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path dir_, previous_;
};

TEST_F(DecodeImageFileTest, FromFileAndFromMemory) {
  const int blocksBefore = g_MemAlloc.blockCount;
  Write("pic.bmp", SmallBmp());
  GraphImage image{};
  ASSERT_EQ(DecodeImageFile("PIC.BMP", nullptr, 0, 0, 0, 0, &image, nullptr, nullptr), 0);
  EXPECT_EQ(GetImagePixelColor(&image, 0, 0), 0x030201u);
  ReleaseGraphImage(&image);

  const Bytes png = SmallPng();
  ASSERT_EQ(DecodeImageFile(nullptr, png.data(), static_cast<int>(png.size()), 1, 0, 0, &image, nullptr, nullptr), 0);
  EXPECT_EQ(GetImagePixelColor(&image, 1, 0), 0x060504u);
  ReleaseGraphImage(&image);

  // Re-pack copies the pixels through the converting transfer, mirrored.
  ASSERT_EQ(DecodeImageFile(nullptr, png.data(), static_cast<int>(png.size()), 1, 0, 1, &image, nullptr, nullptr), 0);
  EXPECT_EQ(GetImagePixelColor(&image, 0, 0), 0x060504u);
  ReleaseGraphImage(&image);

  // As a bitmap: an RGB 24 image whose pitch is already a bitmap row hands out its own pixels.
  BitmapInfo256* header = nullptr;
  void* bits = nullptr;
  ASSERT_EQ(DecodeImageFile("pic.bmp", nullptr, 0, 0, 1, 0, nullptr, &header, &bits), 0);
  EXPECT_EQ(header->header.bitCount, 24);
  EXPECT_EQ(header->header.height, -1);
  EXPECT_EQ(static_cast<std::uint8_t*>(bits)[3], 4);
  MemFree(bits);
  MemFree(header);

  GraphImage untouched{};
  EXPECT_EQ(DecodeImageFile("missing.png", nullptr, 0, 0, 0, 0, &untouched, nullptr, nullptr), -1);
  Write("junk.png", Bytes(100, 1));
  EXPECT_EQ(DecodeImageFile("junk.png", nullptr, 0, 0, 0, 0, &untouched, nullptr, nullptr), -1);
  EXPECT_EQ(untouched.pixels, nullptr);
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

TEST(GraphImageOps, MirrorReleaseAndPixelColour) {
  for (int bytes = 1; bytes <= 4; ++bytes) {
    GraphImage image{};
    CreateColorData(&image.colorData, bytes * 8, 0, 0, 0, 0);
    image.width = 3;
    image.height = 2;
    image.pitch = 16;
    image.pixels = ENGINE_ALLOC(32);
    auto* p = static_cast<std::uint8_t*>(image.pixels);
    for (int i = 0; i < 32; ++i) p[i] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(MirrorGraphImage(&image), 0);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        for (int b = 0; b < bytes; ++b)
          EXPECT_EQ(p[y * 16 + x * bytes + b], y * 16 + (2 - x) * bytes + b) << bytes;
    EXPECT_EQ(p[15], 15);  // padding untouched
    EXPECT_EQ(ReleaseGraphImage(&image), 0);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
  }
  GraphImage empty{};
  EXPECT_EQ(MirrorGraphImage(&empty), -1);
  EXPECT_EQ(GetImagePixelColor(&empty, 0, 0), 0u);

  GraphImage x1555{};
  CreateColorData(&x1555.colorData, 16, 0x7C00, 0x3E0, 0x1F, 0);
  std::uint16_t px[2] = {0x7FFF, 0x0401};
  x1555.width = 2;
  x1555.height = 1;
  x1555.pitch = 4;
  x1555.pixels = px;
  EXPECT_EQ(GetImagePixelColor(&x1555, 0, 0), 0x00F8F8F8u);
  EXPECT_EQ(GetImagePixelColor(&x1555, 1, 0), 0x00080008u);
  EXPECT_EQ(GetImagePixelColor(&x1555, 2, 0), 0u);  // outside
  GraphImage argb{};
  CreateColorData(&argb.colorData, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  std::uint32_t word = 0x80123456;
  argb.width = argb.height = 1;
  argb.pitch = 4;
  argb.pixels = &word;
  EXPECT_EQ(GetImagePixelColor(&argb, 0, 0), 0x80123456u);
}

TEST(GraphImageOps, ToDibCopiesOrConvertsAsNeeded) {
  const int blocksBefore = g_MemAlloc.blockCount;
  BitmapInfo256 header;
  void* bits = nullptr;
  // 8-bit with a bitmap-sized pitch: the image's own pixels; palette copied.
  GraphImage pal{};
  SetupGray8ColorData(&pal.colorData);
  std::uint8_t p8[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  pal.width = 3;
  pal.height = 2;
  pal.pitch = 4;
  pal.pixels = p8;
  EXPECT_EQ(GraphImageToDib(&pal, &header, &bits, 0, 0), 0);
  EXPECT_EQ(bits, p8);
  EXPECT_EQ(header.header.bitCount, 8);
  EXPECT_EQ(header.header.height, -2);
  EXPECT_EQ(header.colors[9][1], 9);
  // A different pitch, or forced: a copy with bitmap rows.
  pal.pitch = 3;
  EXPECT_EQ(GraphImageToDib(&pal, &header, &bits, 0, 0), 1);
  EXPECT_EQ(static_cast<std::uint8_t*>(bits)[5], 4);  // row 1 (from offset 3) starts at 4
  MemFree(bits);
  // No palette: converted to 24 bits through the palette.
  pal.pitch = 4;
  EXPECT_EQ(GraphImageToDib(&pal, &header, &bits, 0, 1), 1);
  EXPECT_EQ(header.header.bitCount, 24);
  EXPECT_EQ(static_cast<std::uint8_t*>(bits)[3], 2);
  EXPECT_EQ(static_cast<std::uint8_t*>(bits)[12], 4);  // second row starts at 12 (3 x 3 rounded to 4)
  MemFree(bits);
  // 16-bit: converted.
  GraphImage r565{};
  CreateColorData(&r565.colorData, 16, 0xF800, 0x07E0, 0x1F, 0);
  std::uint16_t p16[1] = {0xF800};
  r565.width = r565.height = 1;
  r565.pitch = 2;
  r565.pixels = p16;
  EXPECT_EQ(GraphImageToDib(&r565, &header, &bits, 0, 0), 1);
  EXPECT_EQ(static_cast<std::uint8_t*>(bits)[2], 0xF8);
  MemFree(bits);
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

TEST(ImageSlots, DeleteChecksTheHandle) {
  g_ImageSlots[5] = {};
  g_ImageSlots[5].id = 3;
  g_ImageSlots[5].inUse = 1;
  g_ImageSlots[5].data = ENGINE_ALLOC(10);
  const int handle = ((3 | 0x4000) << 16) | 5;
  EXPECT_EQ(DeleteImageSlot(((4 | 0x4000) << 16) | 5), -1);  // wrong id
  EXPECT_EQ(DeleteImageSlot(((3 | 0x4800) << 16) | 5), -1);  // wrong type
  EXPECT_EQ(DeleteImageSlot(((3 | 0x4000) << 16) | 600), -1);
  EXPECT_EQ(DeleteImageSlot(-1), -1);
  EXPECT_EQ(DeleteImageSlot(handle), 0);
  EXPECT_EQ(g_ImageSlots[5].inUse, 0u);
  EXPECT_EQ(DeleteImageSlot(handle), -1);
  g_ImageSlots[7].inUse = 1;
  g_ImageSlots[7].data = ENGINE_ALLOC(4);
  EXPECT_EQ(DeleteAllImageSlots(), 0);
  EXPECT_EQ(g_ImageSlots[7].data, nullptr);
}

}  // namespace
