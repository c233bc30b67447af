// The movie stream over libavformat (reading), libavcodec (decoding), libswscale (frames to X8R8G8B8) and
// libswresample (the sound track to the mixer's format).
#include <algorithm>

#include "platform/base/clock.h"
#include "platform/movie/movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform::movie {
namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;  // 100 ns units

struct FormatCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFreer {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResampleFreer {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

FormatPtr OpenFormat(const std::string& path) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
  FormatPtr f(raw);
  if (avformat_find_stream_info(f.get(), nullptr) < 0) return nullptr;
  return f;
}

CodecPtr OpenDecoder(const AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return nullptr;
  CodecPtr c(avcodec_alloc_context3(codec));
  if (c == nullptr || avcodec_parameters_to_context(c.get(), stream->codecpar) < 0) return nullptr;
  c->thread_count = 1;  // frames are pulled on the caller's thread; keep decoding there too
  if (avcodec_open2(c.get(), codec, nullptr) < 0) return nullptr;
  return c;
}

std::int64_t ToUnits(std::int64_t ts, AVRational base) {
  return av_rescale_q(ts, base, AVRational{1, static_cast<int>(kUnitsPerSecond)});
}

// Decodes the whole sound track of the file to 16-bit stereo at 44100 Hz. Empty when it has none or it fails.
std::vector<std::int16_t> DecodeSound(const std::string& path) {
  std::vector<std::int16_t> out;
  FormatPtr f = OpenFormat(path);
  if (f == nullptr) return out;
  const int index = av_find_best_stream(f.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) return out;
  CodecPtr c = OpenDecoder(f->streams[index]);
  if (c == nullptr) return out;
  SwrContext* raw = nullptr;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_S16, 44100, &c->ch_layout, c->sample_fmt, c->sample_rate, 0,
                          nullptr) < 0 ||
      swr_init(raw) < 0) {
    swr_free(&raw);
    return out;
  }
  std::unique_ptr<SwrContext, ResampleFreer> swr(raw);
  PacketPtr packet(av_packet_alloc());
  FramePtr frame(av_frame_alloc());
  auto drain = [&] {
    while (avcodec_receive_frame(c.get(), frame.get()) == 0) {
      const int room = swr_get_out_samples(swr.get(), frame->nb_samples);
      if (room <= 0) continue;
      const std::size_t at = out.size();
      out.resize(at + static_cast<std::size_t>(room) * 2);
      auto* dst = reinterpret_cast<std::uint8_t*>(out.data() + at);
      const int got = swr_convert(swr.get(), &dst, room, const_cast<const std::uint8_t**>(frame->extended_data),
                                  frame->nb_samples);
      out.resize(at + static_cast<std::size_t>(std::max(got, 0)) * 2);
    }
  };
  while (av_read_frame(f.get(), packet.get()) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(c.get(), packet.get()) == 0) drain();
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(c.get(), nullptr);
  drain();
  return out;
}

class FfmpegMovieStream final : public MovieStream {
 public:
  bool Open(const std::string& path) {
    format_ = OpenFormat(path);
    if (format_ == nullptr) return false;
    video_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video_ < 0) return false;
    AVStream* stream = format_->streams[video_];
    decoder_ = OpenDecoder(stream);
    if (decoder_ == nullptr || decoder_->width <= 0 || decoder_->height <= 0) return false;
    width_ = decoder_->width;
    height_ = decoder_->height;
    const AVRational rate = av_guess_frame_rate(format_.get(), stream, nullptr);
    timePerFrame_ = rate.num > 0 && rate.den > 0 ? av_rescale(kUnitsPerSecond, rate.den, rate.num) : kUnitsPerSecond / 30;
    packet_.reset(av_packet_alloc());
    current_.reset(av_frame_alloc());
    next_.reset(av_frame_alloc());
    // A file whose first frame does not decode is damaged.
    if (!DecodeNext()) return false;
    duration_ = format_->duration > 0 ? av_rescale(format_->duration, kUnitsPerSecond, AV_TIME_BASE) : 0;
    sound_ = DecodeSound(path);
    return true;
  }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::int64_t TimePerFrame() const override { return timePerFrame_; }
  std::int64_t Duration() const override { return duration_; }

  std::int64_t GetTime() const override {
    if (!running_) return base_;
    return base_ + static_cast<std::int64_t>((NowNanoseconds() - since_) / 100);
  }

  Result Seek(std::int64_t time) override {
    time = std::max<std::int64_t>(time, 0);
    if (av_seek_frame(format_.get(), video_, 0, AVSEEK_FLAG_BACKWARD) < 0) return kErrOpen;
    avcodec_flush_buffers(decoder_.get());
    eof_ = false;
    haveCurrent_ = false;
    written_ = -1;
    if (!DecodeNext()) return kErrOpen;
    base_ = time;
    since_ = NowNanoseconds();
    return kOk;
  }

  void Run() override {
    if (running_) return;
    // A stream that has ended starts from its beginning.
    if (ended_) {
      ended_ = false;
      Seek(0);
    }
    since_ = NowNanoseconds();
    running_ = true;
  }

  void Pause() override {
    if (!running_) return;
    base_ = GetTime();
    running_ = false;
  }

  bool Running() const override { return running_; }

  Result Update(std::uint8_t* pixels, int pitch, bool force) override {
    const std::int64_t now = GetTime();
    while (haveNext_ && nextTime_ <= now) {
      std::swap(current_, next_);
      currentTime_ = nextTime_;
      haveCurrent_ = true;
      ++shown_;
      DecodeNext();
    }
    if (!haveCurrent_) {
      // Before the first frame's time: the first frame.
      if (!haveNext_) return kEndOfStream;
      std::swap(current_, next_);
      currentTime_ = nextTime_;
      haveCurrent_ = true;
      ++shown_;
      DecodeNext();
    }
    if (force || written_ != shown_) {
      if (!Convert(pixels, pitch)) return kErrOpen;
      written_ = shown_;
      return kOk;
    }
    if (!haveNext_ && now >= currentTime_ + timePerFrame_) {
      ended_ = true;
      Pause();
      return kEndOfStream;
    }
    return kPending;
  }

  const std::vector<std::int16_t>& Sound() const override { return sound_; }

 private:
  // Decodes the next frame into next_. False at the end of the stream or on a decoding failure.
  bool DecodeNext() {
    haveNext_ = false;
    while (true) {
      const int r = avcodec_receive_frame(decoder_.get(), next_.get());
      if (r == 0) {
        const std::int64_t ts = next_->best_effort_timestamp;
        const AVStream* stream = format_->streams[video_];
        const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        nextTime_ = ts != AV_NOPTS_VALUE ? ToUnits(ts - start, stream->time_base) : currentTime_ + timePerFrame_;
        haveNext_ = true;
        return true;
      }
      if (r == AVERROR_EOF || eof_) return false;
      if (r != AVERROR(EAGAIN)) return false;
      if (av_read_frame(format_.get(), packet_.get()) < 0) {
        eof_ = true;
        avcodec_send_packet(decoder_.get(), nullptr);
        continue;
      }
      if (packet_->stream_index == video_) avcodec_send_packet(decoder_.get(), packet_.get());
      av_packet_unref(packet_.get());
    }
  }

  bool Convert(std::uint8_t* pixels, int pitch) {
    const AVFrame* f = current_.get();
    scale_.reset(sws_getCachedContext(scale_.release(), f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                      width_, height_, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (scale_ == nullptr) return false;
    std::uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    int pitches[4] = {pitch, 0, 0, 0};
    return sws_scale(scale_.get(), f->data, f->linesize, 0, f->height, planes, pitches) == height_;
  }

  FormatPtr format_;
  CodecPtr decoder_;
  PacketPtr packet_;
  FramePtr current_, next_;
  std::unique_ptr<SwsContext, ScaleFreer> scale_;
  std::vector<std::int16_t> sound_;
  int video_ = -1;
  int width_ = 0, height_ = 0;
  std::int64_t timePerFrame_ = 0, duration_ = 0;
  std::int64_t currentTime_ = 0, nextTime_ = 0;
  bool haveCurrent_ = false, haveNext_ = false, eof_ = false, ended_ = false;
  std::int64_t shown_ = 0, written_ = -1;
  bool running_ = false;
  std::int64_t base_ = 0;
  std::uint64_t since_ = 0;
};

}  // namespace

Result OpenMovieStream(const std::string& nativePath, std::unique_ptr<MovieStream>* out) {
  av_log_set_level(AV_LOG_QUIET);
  auto stream = std::make_unique<FfmpegMovieStream>();
  if (!stream->Open(nativePath)) return kErrOpen;
  *out = std::move(stream);
  return kOk;
}

}  // namespace platform::movie
