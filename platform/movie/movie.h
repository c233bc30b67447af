// platform/movie: the movie stand-in (this file) over FFmpeg's libraries (ffmpeg_movie.cpp): a multimedia stream that
// reads a movie file, keeps a stream time that runs on the platform clock while the stream runs, and hands out the
// frame due at that time as 32-bit X8R8G8B8 pixels. The sound track is decoded whole at open, resampled to the
// audio mixer's format (16-bit stereo at 44100 Hz); the engine plays it through a sound buffer of its own mixer,
// started, stopped and positioned with the stream, so sound and frames follow the same clock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::movie {

using Result = std::int32_t;
inline constexpr Result kOk = 0;               // a new frame was written
inline constexpr Result kPending = 0x40001;    // no new frame is due yet
inline constexpr Result kEndOfStream = 0x40002;  // the last frame has been shown and its time has passed
inline constexpr Result kErrOpen = static_cast<Result>(0x80004005u);  // not a readable movie

class MovieStream {
 public:
  virtual ~MovieStream() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Stream times in 100 ns units (the unit of the interfaces the engine was written against).
  virtual std::int64_t TimePerFrame() const = 0;
  virtual std::int64_t Duration() const = 0;
  virtual std::int64_t GetTime() const = 0;
  // Moves the stream time; the next Update shows the frame due there.
  virtual Result Seek(std::int64_t time) = 0;
  virtual void Run() = 0;
  virtual void Pause() = 0;
  virtual bool Running() const = 0;
  // Writes the frame due at the stream time into pixels (Width() x Height(), pitch bytes per row) when it differs
  // from the one written last; force writes it in every case.
  virtual Result Update(std::uint8_t* pixels, int pitch, bool force) = 0;
  // The sound track as interleaved 16-bit stereo at 44100 Hz; empty without one.
  virtual const std::vector<std::int16_t>& Sound() const = 0;
};

// Opens a movie file (a native path). kErrOpen for a file that is missing, damaged or has no video stream.
Result OpenMovieStream(const std::string& nativePath, std::unique_ptr<MovieStream>* out);

}  // namespace platform::movie
