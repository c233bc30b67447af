// Writes small movie files for tests and benchmarks with libavformat and libavcodec's encoders: numbered frames
// (the painter gives each frame's pixels as 0x00RRGGBB) and, when asked, a sine tone on both channels.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace movie_test {

struct MovieParams {
  int width = 64, height = 48, fps = 10, frames = 30;
  AVCodecID videoCodec = AV_CODEC_ID_RAWVIDEO;  // raw frames keep every value exact
  int toneHz = 0;                                // 0: no sound track
  const char* container = "avi";
};

using Painter = std::function<std::uint32_t(int frame, int x, int y)>;

inline bool WriteMovie(const std::string& path, const MovieParams& params, const Painter& paint) {
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, params.container, path.c_str()) < 0) return false;
  bool ok = true;
  const AVCodec* vcodec = avcodec_find_encoder(params.videoCodec);
  AVCodecContext* vc = vcodec != nullptr ? avcodec_alloc_context3(vcodec) : nullptr;
  AVStream* vs = avformat_new_stream(oc, nullptr);
  const AVPixelFormat vfmt = params.videoCodec == AV_CODEC_ID_RAWVIDEO ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUV420P;
  if (vc == nullptr || vs == nullptr) ok = false;
  if (ok) {
    vc->width = params.width;
    vc->height = params.height;
    vc->pix_fmt = vfmt;
    vc->time_base = AVRational{1, params.fps};
    vc->framerate = AVRational{params.fps, 1};
    vc->gop_size = 12;
    vc->bit_rate = 2000000;
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) vc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ok = avcodec_open2(vc, vcodec, nullptr) >= 0 && avcodec_parameters_from_context(vs->codecpar, vc) >= 0;
    vs->time_base = vc->time_base;
  }
  AVCodecContext* ac = nullptr;
  AVStream* as = nullptr;
  if (ok && params.toneHz > 0) {
    const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    ac = acodec != nullptr ? avcodec_alloc_context3(acodec) : nullptr;
    as = avformat_new_stream(oc, nullptr);
    if (ac == nullptr || as == nullptr) {
      ok = false;
    } else {
      ac->sample_rate = 44100;
      ac->sample_fmt = AV_SAMPLE_FMT_S16;
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      av_channel_layout_copy(&ac->ch_layout, &stereo);
      ac->time_base = AVRational{1, 44100};
      ok = avcodec_open2(ac, acodec, nullptr) >= 0 && avcodec_parameters_from_context(as->codecpar, ac) >= 0;
      as->time_base = ac->time_base;
    }
  }
  if (ok && !(oc->oformat->flags & AVFMT_NOFILE)) ok = avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
  if (ok) ok = avformat_write_header(oc, nullptr) >= 0;
  AVPacket* packet = av_packet_alloc();
  auto drain = [&](AVCodecContext* c, AVStream* s) {
    while (ok && avcodec_receive_packet(c, packet) == 0) {
      av_packet_rescale_ts(packet, c->time_base, s->time_base);
      packet->stream_index = s->index;
      if (av_interleaved_write_frame(oc, packet) < 0) ok = false;
    }
  };
  AVFrame* frame = av_frame_alloc();
  AVFrame* rgb = av_frame_alloc();
  SwsContext* sws = nullptr;
  if (ok) {
    frame->format = vfmt;
    frame->width = params.width;
    frame->height = params.height;
    rgb->format = AV_PIX_FMT_BGRA;
    rgb->width = params.width;
    rgb->height = params.height;
    ok = av_frame_get_buffer(frame, 0) >= 0 && av_frame_get_buffer(rgb, 0) >= 0;
    sws = sws_getContext(params.width, params.height, AV_PIX_FMT_BGRA, params.width, params.height, vfmt, SWS_POINT, nullptr,
                         nullptr, nullptr);
    ok = ok && sws != nullptr;
  }
  const int samplesPerFrame = 44100 / params.fps;
  std::int64_t samplesWritten = 0;
  for (int n = 0; ok && n < params.frames; ++n) {
    av_frame_make_writable(frame);
    for (int y = 0; y < params.height; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(rgb->data[0] + static_cast<std::ptrdiff_t>(y) * rgb->linesize[0]);
      for (int x = 0; x < params.width; ++x) row[x] = paint(n, x, y) | 0xFF000000u;
    }
    sws_scale(sws, rgb->data, rgb->linesize, 0, params.height, frame->data, frame->linesize);
    frame->pts = n;
    if (avcodec_send_frame(vc, frame) < 0) ok = false;
    drain(vc, vs);
    if (ac != nullptr) {
      AVFrame* a = av_frame_alloc();
      a->format = AV_SAMPLE_FMT_S16;
      a->sample_rate = 44100;
      av_channel_layout_copy(&a->ch_layout, &ac->ch_layout);
      a->nb_samples = samplesPerFrame;
      if (av_frame_get_buffer(a, 0) < 0) ok = false;
      auto* pcm = reinterpret_cast<std::int16_t*>(a->data[0]);
      for (int i = 0; ok && i < samplesPerFrame; ++i) {
        const double t = static_cast<double>(samplesWritten + i) / 44100.0;
        const auto v = static_cast<std::int16_t>(std::lround(8000.0 * std::sin(2.0 * M_PI * params.toneHz * t)));
        pcm[2 * i] = pcm[2 * i + 1] = v;
      }
      a->pts = samplesWritten;
      samplesWritten += samplesPerFrame;
      if (ok && avcodec_send_frame(ac, a) < 0) ok = false;
      av_frame_free(&a);
      drain(ac, as);
    }
  }
  if (ok) {
    avcodec_send_frame(vc, nullptr);
    drain(vc, vs);
    if (ac != nullptr) {
      avcodec_send_frame(ac, nullptr);
      drain(ac, as);
    }
    ok = av_write_trailer(oc) >= 0;
  }
  sws_freeContext(sws);
  av_frame_free(&frame);
  av_frame_free(&rgb);
  av_packet_free(&packet);
  avcodec_free_context(&vc);
  avcodec_free_context(&ac);
  if (oc->pb != nullptr && !(oc->oformat->flags & AVFMT_NOFILE)) avio_closep(&oc->pb);
  avformat_free_context(oc);
  return ok;
}

}  // namespace movie_test
