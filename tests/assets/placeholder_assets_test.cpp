// The placeholder tree: generated once per suite with the real tool, then checked file by file against the table.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/core/mem_alloc.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/image_decode.h"
#include "tools/placeholder/asset_table.h"
#include "tools/placeholder/asset_writers.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::uint32_t LE(const Bytes& b, size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<size_t>(i));
  return v;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

struct ToolRun {
  int exitCode;
  std::string output;
};

// Runs the generator executable; stdout and stderr together.
ToolRun RunTool(const std::string& arguments) {
  const std::string command = std::string("'") + PLACEHOLDER_TOOL + "' " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string output;
  std::array<char, 256> chunk{};
  while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) output += chunk.data();
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::vector<std::string> AllTablePaths() {
  std::vector<std::string> paths;
  for (const PlaceholderImage& image : PlaceholderImages()) paths.push_back(image.path);
  for (const PlaceholderSound& sound : PlaceholderSoundEffects()) paths.push_back(sound.path);
  for (const PlaceholderSound& track : PlaceholderMusic()) paths.push_back(track.path);
  return paths;
}

std::set<std::string> FilesUnder(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).generic_string());
  }
  return files;
}

class PlaceholderTreeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/placeholder_assets_XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    root_ = new fs::path(made);
    const ToolRun run = RunTool("'" + (*root_ / "a").string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    generated_ = new std::string(run.output);
  }
  static void TearDownTestSuite() {
    if (root_ != nullptr) fs::remove_all(*root_);
    delete root_;
    delete generated_;
    root_ = nullptr;
    generated_ = nullptr;
  }
  static fs::path Tree() { return *root_ / "a"; }
  // A copy of the generated tree to change.
  static fs::path CopyOfTree(const char* name) {
    const fs::path copy = *root_ / name;
    fs::remove_all(copy);
    fs::copy(Tree(), copy, fs::copy_options::recursive);
    return copy;
  }

  static fs::path* root_;
  static std::string* generated_;
};
fs::path* PlaceholderTreeTest::root_ = nullptr;
std::string* PlaceholderTreeTest::generated_ = nullptr;

TEST(PlaceholderTableTest, PathsAreUniqueAndCellsLieInsideTheirImages) {
  std::set<std::string> seen;
  for (const std::string& path : AllTablePaths()) {
    EXPECT_TRUE(seen.insert(path).second) << "listed twice: " << path;
    EXPECT_TRUE(path.rfind("gsx/", 0) == 0 || path.rfind("ssez/", 0) == 0 || path.rfind("bgm/", 0) == 0) << path;
  }
  for (const PlaceholderImage& image : PlaceholderImages()) {
    const std::string path = image.path;
    EXPECT_TRUE(EndsWith(path, ".png") || EndsWith(path, ".jpg") || EndsWith(path, ".bmp")) << path;
    for (const PlaceholderRect& r : PlaceholderCells(image)) {
      EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.w >= 3 && r.h >= 3 && r.x + r.w <= image.width &&
                  r.y + r.h <= image.height)
          << path << " cell " << r.x << "," << r.y << "," << r.w << "," << r.h;
    }
  }
  for (const PlaceholderSound& track : PlaceholderMusic()) EXPECT_TRUE(EndsWith(track.path, ".mp3")) << track.path;
  // The files whose absence sends the game to its "resources missing" screen.
  for (const char* key : {"gsx/cr/zami.png", "gsx/fld/s_08.png", "gsx/smg/00.png"}) EXPECT_EQ(seen.count(key), 1u);
  EXPECT_EQ(PlaceholderSoundEffects().front().path, "ssez/my/shot.wav");
}

TEST_F(PlaceholderTreeTest, WritesExactlyTheFilesOfTheTable) {
  const std::vector<std::string> table = AllTablePaths();
  const std::set<std::string> files = FilesUnder(Tree());
  EXPECT_EQ(files, std::set<std::string>(table.begin(), table.end()));
  EXPECT_NE(generated_->find(std::to_string(table.size()) + " files written, 0 kept"), std::string::npos)
      << *generated_;
}

// Every image decodes through the engine's decoder table at its listed size; every cell shows its border all round
// (text-only cells excepted) and, unless it is a highlight, a frame over other cells or a darkening mesh, a fill that is not a key colour; on sheets, pixels
// outside all cells show the key colour. Backdrops have no cells to check.
TEST_F(PlaceholderTreeTest, ImagesDecodeAtTheirSizeWithOutlinedCells) {
  for (const PlaceholderImage& entry : PlaceholderImages()) {
    SCOPED_TRACE(entry.path);
    const Bytes bytes = ReadAll(Tree() / entry.path);
    GraphImage image{};
    ASSERT_EQ(DecodeImageFile(nullptr, bytes.data(), static_cast<int>(bytes.size()), 1, 0, 0, &image, nullptr,
                              nullptr),
              0);
    EXPECT_EQ(image.width, entry.width);
    EXPECT_EQ(image.height, entry.height);
    if (entry.look == PlaceholderLook::kBackdrop) {
      ReleaseGraphImage(&image);
      continue;
    }
    const bool lossy = EndsWith(entry.path, ".jpg");
    const int tolerance = lossy ? 40 : 0;
    auto rgb = [&](int x, int y) { return GetImagePixelColor(&image, x, y) & 0xFFFFFFu; };
    auto near = [&](std::uint32_t c, int r, int g, int b) {
      return std::abs(static_cast<int>((c >> 16) & 0xFF) - r) <= tolerance &&
             std::abs(static_cast<int>((c >> 8) & 0xFF) - g) <= tolerance &&
             std::abs(static_cast<int>(c & 0xFF) - b) <= tolerance;
    };
    const std::vector<PlaceholderRect> cells = PlaceholderCells(entry);
    int badBorders = 0;
    int keyFills = 0;
    for (const PlaceholderRect& c : cells) {
      if (c.style == PlaceholderStyle::kText) continue;
      const int xs[] = {c.x, c.x + c.w / 2, c.x + c.w - 1};
      const int ys[] = {c.y, c.y + c.h / 2, c.y + c.h - 1};
      for (int x : xs) {
        badBorders += !near(rgb(x, c.y), 255, 255, 255) + !near(rgb(x, c.y + c.h - 1), 255, 255, 255);
      }
      for (int y : ys) {
        badBorders += !near(rgb(c.x, y), 255, 255, 255) + !near(rgb(c.x + c.w - 1, y), 255, 255, 255);
      }
      if (c.style == PlaceholderStyle::kGlow || c.style == PlaceholderStyle::kFrame ||
          c.style == PlaceholderStyle::kMesh)
        continue;
      const std::uint32_t inside = rgb(c.x + 1 + (c.w - 2) / 3, c.y + 1 + (c.h - 2) / 3);
      const std::uint32_t lo = lossy ? 24 : 0;
      const bool black = ((inside >> 16) & 0xFF) <= lo && ((inside >> 8) & 0xFF) <= lo && (inside & 0xFF) <= lo;
      keyFills += black || inside == 0xFF00FFu;
    }
    EXPECT_EQ(badBorders, 0);
    EXPECT_EQ(keyFills, 0);
    // The first pixel outside every cell of a sheet, if any, shows the key colour.
    const std::uint32_t key = entry.key == PlaceholderKey::kMagenta ? 0xFF00FFu : 0u;
    bool checked = entry.look != PlaceholderLook::kSheet;
    for (int y = 0; y < entry.height && !checked; y += 3) {
      for (int x = 0; x < entry.width && !checked; x += 3) {
        bool covered = false;
        for (const PlaceholderRect& c : cells) {
          covered = covered || (x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h);
        }
        if (!covered) {
          EXPECT_EQ(rgb(x, y), key) << "at " << x << "," << y;
          checked = true;
        }
      }
    }
    ReleaseGraphImage(&image);
  }
}

// Cells with text carry it: more white (or highlight yellow) text pixels than a blank cell of its colour has, so a
// menu entry, a digit or a Yes/No can be read. Sheets of several cells label the others with their numbers.
TEST(PlaceholderDrawTest, TextCellsAndSpriteCellsCarryLabels) {
  const std::vector<PlaceholderImage>& images = PlaceholderImages();
  auto textPixels = [](const PlaceholderRaster& r, const PlaceholderRect& c) {
    int n = 0;
    for (int y = c.y + 1; y < c.y + c.h - 1; ++y) {
      for (int x = c.x + 1; x < c.x + c.w - 1; ++x) {
        const std::uint8_t* p = r.rgb.data() + (static_cast<size_t>(y) * r.width + x) * 3;
        n += (p[0] == 255 && p[1] == 255 && p[2] == 255) || (p[0] == 255 && p[1] == 224 && p[2] == 96);
      }
    }
    return n;
  };
  struct Case {
    const char* path;
    PlaceholderRect cell;
  };
  const Case cases[] = {
      {"gsx/system/title.png", {268, 250, 105, 37}},     // "New Game" under the title's highlight
      {"gsx/system/title2.png", {28, 422, 105, 49}},     // the highlight itself
      {"gsx/system/op2.png", {547, 275 + 19 * 7, 20, 19}},  // digit 7
      {"gsx/system/menu_06.png", {810, 171, 55, 31}},    // "Yes"
      {"gsx/system/menu_06.png", {864, 171, 75, 31}},    // "No"
      {"gsx/system/menu_01.png", {12 * 5, 460, 12, 20}},  // money digit 5
      {"gsx/system/shop.png", {380, 130, 150, 40}},      // "Money"
      {"gsx/cr/galeo1.png", {57, 0, 57, 108}},           // sprite cell 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    int index = -1;
    for (size_t i = 0; i < images.size(); ++i) {
      if (std::string(images[i].path) == c.path) index = static_cast<int>(i);
    }
    ASSERT_GE(index, 0);
    const PlaceholderRaster r = DrawPlaceholderImage(images[static_cast<size_t>(index)], index);
    EXPECT_GE(textPixels(r, c.cell), 8) << c.cell.x << "," << c.cell.y;
  }
  // Two cells of one sprite sheet differ by their numbers, not only by colour: their white pixels differ.
  int galeo = -1;
  for (size_t i = 0; i < images.size(); ++i) {
    if (std::string(images[i].path) == "gsx/cr/galeo1.png") galeo = static_cast<int>(i);
  }
  const PlaceholderRaster r = DrawPlaceholderImage(images[static_cast<size_t>(galeo)], galeo);
  EXPECT_NE(textPixels(r, {0, 0, 57, 108}), textPixels(r, {57 * 7, 0, 57, 108}));
}

// Each WAV is a consistent RIFF file of 16-bit mono PCM, as long as listed, holding a tone of its own pitch.
TEST_F(PlaceholderTreeTest, SoundEffectWavsAreConsistentPcmTonesOfDistinctPitch) {
  const std::vector<PlaceholderSound>& sounds = PlaceholderSoundEffects();
  std::set<int> pitches;
  for (size_t i = 0; i < sounds.size(); ++i) {
    if (!EndsWith(sounds[i].path, ".wav")) continue;
    SCOPED_TRACE(sounds[i].path);
    const Bytes b = ReadAll(Tree() / sounds[i].path);
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(LE(b, 4, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(LE(b, 16, 4), 16u);
    EXPECT_EQ(LE(b, 20, 2), 1u);                            // PCM
    EXPECT_EQ(LE(b, 22, 2), 1u);                            // mono
    EXPECT_EQ(LE(b, 24, 4), 22050u);                        // rate
    EXPECT_EQ(LE(b, 28, 4), 22050u * 2);                    // bytes per second
    EXPECT_EQ(LE(b, 32, 2), 2u);                            // block align
    EXPECT_EQ(LE(b, 34, 2), 16u);                           // bits
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    const std::uint32_t dataBytes = LE(b, 40, 4);
    ASSERT_EQ(dataBytes, b.size() - 44);
    const std::uint32_t samples = dataBytes / 2;
    EXPECT_EQ(samples, 22050u * static_cast<std::uint32_t>(sounds[i].durationMs) / 1000);
    // Rising zero crossings give the pitch.
    int crossings = 0;
    auto sample = [&](std::uint32_t k) { return static_cast<std::int16_t>(LE(b, 44 + 2 * k, 2)); };
    for (std::uint32_t k = 1; k < samples; ++k) crossings += sample(k - 1) < 0 && sample(k) >= 0;
    const int expected = PlaceholderToneHz(static_cast<int>(i), false) * sounds[i].durationMs / 1000;
    EXPECT_NEAR(crossings, expected, 1);
    EXPECT_TRUE(pitches.insert(PlaceholderToneHz(static_cast<int>(i), false)).second);
  }
}

struct DecodedMp3 {
  long rate = 0;
  int channels = 0;
  long samples = 0;
  bool ok = false;
};

DecodedMp3 DecodeMp3(const fs::path& path) {
  DecodedMp3 result;
  int error = 0;
  mpg123_handle* handle = mpg123_new(nullptr, &error);
  if (handle == nullptr) return result;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  int encoding = 0;
  if (mpg123_open(handle, path.c_str()) == MPG123_OK &&
      mpg123_getformat(handle, &result.rate, &result.channels, &encoding) == MPG123_OK &&
      encoding == MPG123_ENC_SIGNED_16 && result.channels > 0) {
    std::vector<unsigned char> buffer(16384);
    size_t done = 0;
    long bytes = 0;
    int status = MPG123_OK;
    while ((status = mpg123_read(handle, buffer.data(), buffer.size(), &done)) == MPG123_OK) {
      bytes += static_cast<long>(done);
    }
    bytes += static_cast<long>(done);
    result.ok = status == MPG123_DONE;
    result.samples = bytes / (2 * result.channels);
  }
  mpg123_close(handle);
  mpg123_delete(handle);
  return result;
}

// Every MP3 starts with an MPEG-1 layer III frame header and decodes to exactly its listed length.
TEST_F(PlaceholderTreeTest, Mp3sStartWithALayer3FrameAndDecodeToTheirLength) {
  std::vector<PlaceholderSound> mp3s;
  for (const PlaceholderSound& s : PlaceholderSoundEffects()) {
    if (EndsWith(s.path, ".mp3")) mp3s.push_back(s);
  }
  EXPECT_EQ(mp3s.size(), 1u);
  mp3s.insert(mp3s.end(), PlaceholderMusic().begin(), PlaceholderMusic().end());
  std::set<Bytes> distinct;
  for (const PlaceholderSound& s : mp3s) {
    SCOPED_TRACE(s.path);
    const Bytes b = ReadAll(Tree() / s.path);
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1] & 0xE0, 0xE0);          // sync
    EXPECT_EQ((b[1] >> 3) & 3, 3);         // MPEG-1
    EXPECT_EQ((b[1] >> 1) & 3, 1);         // layer III
    EXPECT_NE((b[2] >> 4) & 0xF, 0xF);     // bitrate index
    EXPECT_NE((b[2] >> 4) & 0xF, 0);
    EXPECT_NE((b[2] >> 2) & 3, 3);         // sample rate index
    const DecodedMp3 decoded = DecodeMp3(Tree() / s.path);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.rate, 44100);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_EQ(decoded.samples, 44100L * s.durationMs / 1000);
    EXPECT_TRUE(distinct.insert(b).second);
  }
}

// A run with --force over a changed tree puts back exactly the bytes of the first run.
TEST_F(PlaceholderTreeTest, ForceRewritesAndEveryRunWritesTheSameBytes) {
  const fs::path copy = CopyOfTree("forced");
  WriteAll(copy / "gsx/system/title.png", "real title");
  const ToolRun run = RunTool("--force '" + copy.string() + "'");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(FilesUnder(copy), FilesUnder(Tree()));
  for (const std::string& path : AllTablePaths()) {
    EXPECT_TRUE(ReadAll(copy / path) == ReadAll(Tree() / path)) << path;
  }
}

// Without --force, files already there (real assets) are kept and only missing ones are written.
TEST_F(PlaceholderTreeTest, KeepsExistingFilesAndFillsInMissingOnes) {
  const fs::path copy = CopyOfTree("kept");
  WriteAll(copy / "gsx/system/title.png", "real title");
  fs::remove(copy / "bgm/title.mp3");
  fs::remove(copy / "gsx/fld/s_08.png");
  const ToolRun run = RunTool("'" + copy.string() + "'");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("2 files written, " + std::to_string(AllTablePaths().size() - 2) + " kept"),
            std::string::npos)
      << run.output;
  const Bytes kept = ReadAll(copy / "gsx/system/title.png");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "real title");
  EXPECT_TRUE(ReadAll(copy / "bgm/title.mp3") == ReadAll(Tree() / "bgm/title.mp3"));
  EXPECT_TRUE(ReadAll(copy / "gsx/fld/s_08.png") == ReadAll(Tree() / "gsx/fld/s_08.png"));
}

TEST_F(PlaceholderTreeTest, BadCommandLinesAndUnwritableOutputFailCleanly) {
  struct Case {
    std::string arguments;
    int exitCode;
    const char* says;
  };
  const fs::path file = *root_ / "plain_file";
  WriteAll(file, "x");
  const Case cases[] = {
      {"", 2, "usage:"},
      {"--bogus '" + (*root_ / "unused").string() + "'", 2, "usage:"},
      {"one two", 2, "usage:"},
      {"--help", 0, "usage:"},
      {"'" + file.string() + "'", 1, "cannot"},  // a file where the folder should be
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ToolRun run = RunTool(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
  }
  EXPECT_FALSE(fs::exists(*root_ / "unused"));
}

}  // namespace
