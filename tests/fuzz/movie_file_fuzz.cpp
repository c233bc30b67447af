// Movie files as outside input: arbitrary bytes written to a file and opened by the movie stream over FFmpeg's
// demuxers and decoders: the size and times it reports, frames pulled at the start, at times the input picks and past
// the end, forced or not, running and paused, and the sound track decoded whole. The first byte picks the times; the
// rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/movie.h"
#include "tests/fuzz/fuzz_engine.h"

namespace {

namespace mv = platform::movie;

// The largest frame the target pulls pixels for.
constexpr std::int64_t kMaxPixels = 4096 * 4096;

void PullFrames(mv::MovieStream* stream, std::uint8_t pick) {
  const std::int64_t w = stream->Width(), h = stream->Height();
  if (w <= 0 || h <= 0 || w * h > kMaxPixels) return;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w * h * 4));
  const std::int64_t duration = stream->Duration();
  const std::int64_t step = stream->TimePerFrame() > 0 ? stream->TimePerFrame() : 400000;
  // The start, a frame or two in, a point the input picks within (or just past) the length, and the end.
  const std::int64_t times[] = {0, step, 2 * step, duration > 0 ? duration * (pick & 0x7F) / 100 : pick * step,
                                duration, duration + step};
  stream->Update(pixels.data(), static_cast<int>(w * 4), true);
  for (const std::int64_t t : times) {
    stream->Seek(t);
    stream->Update(pixels.data(), static_cast<int>(w * 4), (pick & 0x80) != 0);
  }
  stream->Run();
  stream->Update(pixels.data(), static_cast<int>(w * 4), false);
  stream->Pause();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  static const std::string path = fuzz::TempDirectory() + "/movie_input";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  const bool written = std::fwrite(data + 1, 1, size - 1, file) == size - 1;
  if (std::fclose(file) != 0 || !written) std::abort();

  std::unique_ptr<mv::MovieStream> stream;
  if (mv::OpenMovieStream(path, &stream) == mv::kOk && stream != nullptr) {
    (void)stream->Sound();
    PullFrames(stream.get(), data[0]);
  }
  return 0;
}
