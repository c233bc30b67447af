// Movies in graphics: frames follow the virtual clock, the sound track reaches the mix, pause, end and play again,
// release and reopen around a device rebuild, and damaged files refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "../engine_start/engine_fixture.h"
#include "../support/movie_writer.h"
#include "engine/core/api_lock.h"
#include "engine/core/archive_writer.h"
#include "engine/core/public_api.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/surface2d.h"
#include "platform/audio/headless_audio.h"
#include "platform/base/clock.h"
#include "platform/files/path.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

constexpr int kFps = 10, kFrames = 20;  // 2 s

std::uint32_t Painted(int n, int x, int y) {
  return (static_cast<std::uint32_t>(n * 8) << 16) | static_cast<std::uint32_t>(x * 4) << 8 | static_cast<std::uint32_t>(y * 4);
}

// The frame number the graphic shows (its red channel / 8).
int ShownFrame(int handle) {
  ApiLockGuard lock;
  const GraphData* g = GetGraphData(handle);
  MEMIMG view{};
  const MEMIMG* image = TileMemImg(GetSurface2D(g->Tiles[0]), &view);
  std::uint32_t v = 0;
  std::memcpy(&v, image->Image + image->Pitch + 4, 4);
  EXPECT_EQ(v & 0xFFFF, (4u << 8) | 4u);  // pixel (1, 1)
  return static_cast<int>((v >> 16) & 0xFF) / 8;
}

class Movies : public HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    movie_test::MovieParams params;
    params.fps = kFps;
    params.frames = kFrames;
    params.toneHz = 441;
    ASSERT_TRUE(movie_test::WriteMovie(directory_ + "/clip.avi", params, Painted));
    // The shown frame is read from the graphic's 2D tile image, which a texture graphic does not have: software path
    // only (tests/graphics_d3d checks movie frames in textures).
    contextMode_.Set();
    ASSERT_EQ(StartEngine(), 0);
  }
  void TearDown() override {
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  test_support::ContextModePin contextMode_;
  // Advances the virtual clock, then draws the graphic (which pulls its frame).
  static void WaitAndDraw(int ms, int handle) {
    platform::SleepMilliseconds(static_cast<std::uint32_t>(ms));
    ASSERT_EQ(DrawGraphAt(0, 0, handle, 0), 0);
  }
};

TEST_F(Movies, FramesFollowTheClockAndPauseHoldsThem) {
  const int handle = LoadGraphicFile("clip.avi");
  ASSERT_GE(handle, 0);
  int w = 0, h = 0;
  ASSERT_EQ(GetGraphicSize(handle, &w, &h), 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  {
    ApiLockGuard lock;
    EXPECT_EQ(GetMovieStateToGraph(handle), 0);
    ASSERT_EQ(PlayMovieGraph(handle), 0);
    EXPECT_EQ(GetMovieStateToGraph(handle), 1);
  }
  WaitAndDraw(50, handle);
  EXPECT_EQ(ShownFrame(handle), 0);
  // Frame n is due at n / 10 s of stream time.
  for (const int n : {3, 7, 12}) {
    WaitAndDraw(n * 100 + 50 - (n == 3 ? 50 : n == 7 ? 350 : 750), handle);
    EXPECT_EQ(ShownFrame(handle), n);
  }
  {
    ApiLockGuard lock;
    ASSERT_EQ(PauseMovieGraph(handle), 0);
  }
  WaitAndDraw(500, handle);
  EXPECT_EQ(ShownFrame(handle), 12);
  {
    ApiLockGuard lock;
    ASSERT_EQ(PlayMovieGraph(handle), 0);
  }
  WaitAndDraw(200, handle);
  EXPECT_EQ(ShownFrame(handle), 14);
}

TEST_F(Movies, TheEndStopsTheMovieAndPlayStartsItAgain) {
  const int handle = LoadGraphicFile("clip.avi");
  ASSERT_GE(handle, 0);
  {
    ApiLockGuard lock;
    ASSERT_EQ(PlayMovieGraph(handle), 0);
  }
  for (int i = 0; i < 30; ++i) WaitAndDraw(100, handle);
  EXPECT_EQ(ShownFrame(handle), kFrames - 1);
  {
    ApiLockGuard lock;
    EXPECT_EQ(GetMovieStateToGraph(handle), 0);
    ASSERT_EQ(PlayMovieGraph(handle), 0);
  }
  WaitAndDraw(50, handle);
  EXPECT_EQ(ShownFrame(handle), 0);
  WaitAndDraw(500, handle);
  EXPECT_EQ(ShownFrame(handle), 5);
}

TEST_F(Movies, TheSoundTrackPlaysInTheMixOnlyWhileTheMovieRuns) {
  const int handle = LoadGraphicFile("clip.avi");
  ASSERT_GE(handle, 0);
  platform::StartAudioCapture();
  {
    ApiLockGuard lock;
    ASSERT_EQ(PlayMovieGraph(handle), 0);
  }
  platform::SleepMilliseconds(1000);
  platform::CatchUpAudio();
  std::vector<std::int16_t> mix = platform::TakeCapturedAudio();
  {
    ApiLockGuard lock;
    ASSERT_EQ(PauseMovieGraph(handle), 0);
  }
  platform::SleepMilliseconds(500);
  platform::CatchUpAudio();
  const std::vector<std::int16_t> paused = platform::TakeCapturedAudio();
  platform::StopAudioCapture();
  // About a second of a 441 Hz tone: 882 sign changes per channel, give or take the edges.
  ASSERT_GE(mix.size(), 2u * 40000);
  int crossings = 0, peak = 0;
  for (std::size_t i = 2; i < mix.size(); i += 2) {
    if ((mix[i] >= 0) != (mix[i - 2] >= 0)) ++crossings;
    peak = std::max(peak, std::abs(static_cast<int>(mix[i])));
  }
  EXPECT_NEAR(crossings, 882, 30);
  EXPECT_GT(peak, 4000);
  int loud = 0;
  for (const std::int16_t s : paused) loud = std::max(loud, std::abs(static_cast<int>(s)));
  EXPECT_EQ(loud, 0);
}

TEST_F(Movies, ReleaseAndReopenKeepPositionAndPlayingState) {
  const int a = LoadGraphicFile("clip.avi");
  const int b = LoadGraphicFile("clip.avi");
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  {
    ApiLockGuard lock;
    ASSERT_EQ(PlayMovieGraph(a), 0);
    ASSERT_EQ(PlayMovieGraph(b), 0);
  }
  WaitAndDraw(450, a);
  {
    ApiLockGuard lock;
    ASSERT_EQ(PauseMovieGraph(b), 0);
    ASSERT_EQ(ReleaseAllMovieStream(), 0);
    EXPECT_EQ(UpdateMovieFrame(a, 1), 0);  // released: nothing to take
    ASSERT_EQ(ReopenAllMovieStream(), 0);
    EXPECT_EQ(GetMovieStateToGraph(a), 1);
    EXPECT_EQ(GetMovieStateToGraph(b), 0);
    ASSERT_EQ(UpdateMovieFrame(b, 1), 0);
  }
  EXPECT_EQ(ShownFrame(b), 4);
  WaitAndDraw(300, a);
  EXPECT_EQ(ShownFrame(a), 7);
}

TEST_F(Movies, AMovieInAnArchivePlaysFromATemporaryCopyDeletedWithTheGraphic) {
  ArchiveWriterEntry root;
  root.directory = true;
  ArchiveWriterEntry file;
  file.name = "clip.avi";
  const std::string bytes = ReadFile(directory_ + "/clip.avi");
  file.data.assign(bytes.begin(), bytes.end());
  root.children.push_back(file);
  std::vector<std::uint8_t> image;
  std::string error;
  ASSERT_TRUE(WriteArchive(root, MakeArchiveWriteOptions("3842"), &image, &error)) << error;
  std::ofstream(directory_ + "/MOV.PAC", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  ASSERT_EQ(SetUseArchiveFiles(1), 0);
  ASSERT_EQ(SetArchiveExtension("PAC"), 0);
  ASSERT_EQ(SetArchiveKeyString("3842"), 0);
  const int handle = LoadGraphicFile("mov\\clip.avi");
  ASSERT_GE(handle, 0);
  std::string temp;
  {
    ApiLockGuard lock;
    const MovieData* m = GetMovieData(GetGraphData(handle)->Movie);
    ASSERT_NE(m, nullptr);
    temp = platform::ToNativePath(MovieFileName(m));
    ASSERT_EQ(PlayMovieGraph(handle), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(temp)) << temp;
  WaitAndDraw(350, handle);
  EXPECT_EQ(ShownFrame(handle), 3);
  ASSERT_EQ(DeleteGraphic(handle, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(Movies, DamagedFilesAreRefusedAndLogged) {
  const std::string good = ReadFile(directory_ + "/clip.avi");
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"noise.avi", std::string(4096, '\x5A')},
      {"cut.avi", good.substr(0, 300)},
      {"empty.avi", std::string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(directory_ + "/" + c.name, std::ios::binary) << c.bytes;
    EXPECT_EQ(LoadGraphicFile(c.name), -1);
  }
  // The steps' messages run on within a line of the log.
  const std::string log = Log();
  EXPECT_NE(log.find("ファイル:noise.avi が開けませんでした"), std::string::npos);
  EXPECT_NE(log.find("ムービーファイルオープン処理時にエラーが発生しました"), std::string::npos);
  EXPECT_NE(log.find("右記のグラフィックファイルのロードに失敗しました：noise.avi"), std::string::npos);
}

}  // namespace
}  // namespace engine_test
