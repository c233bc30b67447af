// A 640 x 480 MPEG-4 movie at 30 frames per second: processor time per frame for the engine (the frame due on the
// clock decoded, converted into the movie's graphic, drawn on the back screen) beside FFmpeg decoding the same
// frames alone, in the same run. The ratio of the two is the engine's cost over plain decoding.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/movie.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"
#include "tests/support/movie_writer.h"

namespace {

constexpr int kFrames = 90;

const std::string& MoviePath() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / ("movie-bench-" + std::to_string(getpid()) + ".avi")).string();
    movie_test::MovieParams params;
    params.width = 640;
    params.height = 480;
    params.fps = 30;
    params.frames = kFrames;
    params.videoCodec = AV_CODEC_ID_MPEG4;
    params.toneHz = 440;
    movie_test::WriteMovie(p, params, [](int n, int x, int y) {
      return static_cast<std::uint32_t>(((x + n * 4) & 0xFF) << 16 | ((y + n * 2) & 0xFF) << 8 | ((x ^ y) & 0xFF));
    });
    // Removed at exit through a copy of its name that outlives every static object.
    static char name[512];
    std::snprintf(name, sizeof name, "%s", p.c_str());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove(name, ignored);
    });
    return p;
  }();
  return path;
}

// FFmpeg alone: every frame of the file decoded (no conversion), the file reopened when it ends.
void BM_FfmpegDecodeOnly(benchmark::State& state) {
  AVFormatContext* f = nullptr;
  AVCodecContext* c = nullptr;
  int video = -1;
  auto open = [&] {
    avformat_close_input(&f);
    avcodec_free_context(&c);
    if (avformat_open_input(&f, MoviePath().c_str(), nullptr, nullptr) < 0) return false;
    avformat_find_stream_info(f, nullptr);
    video = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(f->streams[video]->codecpar->codec_id);
    c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, f->streams[video]->codecpar);
    c->thread_count = 1;
    return avcodec_open2(c, codec, nullptr) >= 0;
  };
  if (!open()) {
    state.SkipWithError("the movie does not open");
    return;
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  for (auto _ : state) {
    while (true) {
      if (avcodec_receive_frame(c, frame) == 0) break;
      if (av_read_frame(f, packet) < 0) {
        open();
        continue;
      }
      if (packet->stream_index == video) avcodec_send_packet(c, packet);
      av_packet_unref(packet);
    }
    benchmark::DoNotOptimize(frame->data[0]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&c);
  avformat_close_input(&f);
}
BENCHMARK(BM_FfmpegDecodeOnly);

// The engine: one frame's time on the clock, then the movie graphic drawn (which takes the frame due).
void BM_EngineMovieFrame(benchmark::State& state) {
  char dirTemplate[] = "/tmp/movie-bench-XXXXXX";
  const char* made = mkdtemp(dirTemplate);
  if (made == nullptr) {
    state.SkipWithError("no temporary directory");
    return;
  }
  struct RemoveAtEnd {
    const char* dir;
    ~RemoveAtEnd() {
      std::error_code ignored;
      std::filesystem::remove_all(dir, ignored);
    }
  } removeAtEnd{made};
  if (chdir(made) != 0) {
    state.SkipWithError("no temporary directory");
    return;
  }
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  platform::SetInstanceLockDirectory(made);
  ChangeWindowMode(1);
  SetLogFileOutput(0);
  if (StartEngine() != 0) {
    state.SkipWithError("the engine did not start");
    return;
  }
  std::filesystem::copy_file(MoviePath(), std::string(made) + "/clip.avi");
  const int handle = LoadGraphicFile("clip.avi");
  if (handle < 0) {
    state.SkipWithError("the movie does not load");
    EndEngine();
    return;
  }
  SelectDrawTarget(-2);
  {
    ApiLockGuard lock;
    PlayMovieGraph(handle);
  }
  for (auto _ : state) {
    platform::SleepMilliseconds(34);
    {
      ApiLockGuard lock;
      if (GetMovieStateToGraph(handle) == 0) PlayMovieGraph(handle);  // loops
    }
    benchmark::DoNotOptimize(DrawGraphAt(0, 0, handle, 0));
  }
  EndEngine();
}
BENCHMARK(BM_EngineMovieFrame);

}  // namespace
