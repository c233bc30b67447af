#include "tests/sound/sound_fixtures.h"

#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/core/file_functions.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/mem_stream.h"
#include "engine/core/public_api.h"
#include "platform/base/clock.h"

namespace sound_test {

void Put16(Bytes& b, int v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes MakeWav(int channels, int rate, int bits, const Bytes& pcm, int fmtSize, const Bytes& extraChunks) {
  Bytes b;
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  Put32(b, 0);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(b, static_cast<std::uint32_t>(fmtSize));
  const int blockAlign = channels * bits / 8;
  Put16(b, 1);
  Put16(b, channels);
  Put32(b, static_cast<std::uint32_t>(rate));
  Put32(b, static_cast<std::uint32_t>(rate * blockAlign));
  Put16(b, blockAlign);
  Put16(b, bits);
  if (fmtSize == 18) Put16(b, 0);
  b.insert(b.end(), extraChunks.begin(), extraChunks.end());
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put32(b, static_cast<std::uint32_t>(pcm.size()));
  b.insert(b.end(), pcm.begin(), pcm.end());
  const std::uint32_t riff = static_cast<std::uint32_t>(b.size() - 8);
  for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  return b;
}

std::vector<std::int16_t> Ramp(int frames, int channels, int start) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(frames * channels));
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[static_cast<std::size_t>(i * channels + c)] =
          static_cast<std::int16_t>((c == 0 ? 1 : -1) * (start + (i % 20000)));
  return s;
}

Bytes ToBytes(const std::vector<std::int16_t>& samples) {
  Bytes b;
  for (std::int16_t v : samples) Put16(b, v);
  return b;
}

Bytes MakeMp3(int rate, int channels, int kbps, double seconds, double hz) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_num_channels(lame, channels);
  lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_bWriteVbrTag(lame, 0);
  lame_set_quality(lame, 7);
  lame_init_params(lame);
  const int frames = static_cast<int>(seconds * rate);
  std::vector<short> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    left[static_cast<std::size_t>(i)] = static_cast<short>(8000 * std::sin(2 * M_PI * hz * i / rate));
    right[static_cast<std::size_t>(i)] = static_cast<short>(6000 * std::sin(2 * M_PI * hz * 1.5 * i / rate));
  }
  Bytes out(static_cast<std::size_t>(frames * 5 / 4 + 7200 + 16384));
  int n = lame_encode_buffer(lame, left.data(), channels == 2 ? right.data() : nullptr, frames, out.data(),
                             static_cast<int>(out.size()));
  n += lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
  lame_close(lame);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

Bytes MakeOgg(int rate, int channels, double seconds, int serial) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, channels, rate, 0.3f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  Bytes out;
  auto append = [&](const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  while (ogg_stream_flush(&os, &page) != 0) append(page);
  const int frames = static_cast<int>(seconds * rate);
  for (int done = 0; done <= frames;) {
    const int n = std::min(1024, frames - done);
    if (n <= 0) {
      vorbis_analysis_wrote(&vd, 0);
      done = frames + 1;
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, n);
      for (int i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
          buffer[c][i] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 440.0 * (done + i) / rate));
      vorbis_analysis_wrote(&vd, n);
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet) != 0) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page) != 0) append(page);
      }
    }
  }
  while (ogg_stream_flush(&os, &page) != 0) append(page);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

namespace {

void PutBe32(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutVlq(Bytes& b, std::uint32_t v) {
  std::uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<std::uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n-- > 0) b.push_back(static_cast<std::uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}
void PutTrack(Bytes& file, const Bytes& events) {
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  PutBe32(file, static_cast<std::uint32_t>(events.size()));
  file.insert(file.end(), events.begin(), events.end());
}

}  // namespace

Bytes MakeMidi(const std::vector<MidiNote>& notes, int endTick) {
  Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
  file.push_back(0);
  file.push_back(static_cast<std::uint8_t>(notes.size() + 1));
  file.push_back(480 >> 8);
  file.push_back(480 & 0xFF);
  Bytes tempo;
  PutVlq(tempo, 0);
  tempo.insert(tempo.end(), {0xFF, 0x51, 3, 0x07, 0xA1, 0x20});  // 500000 us a quarter
  PutVlq(tempo, static_cast<std::uint32_t>(endTick));
  tempo.insert(tempo.end(), {0xFF, 0x2F, 0});
  PutTrack(file, tempo);
  for (const MidiNote& n : notes) {
    const auto channel = static_cast<std::uint8_t>(n.channel);
    Bytes events;
    PutVlq(events, 0);
    events.insert(events.end(), {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(n.program)});
    PutVlq(events, static_cast<std::uint32_t>(n.startTick));
    events.insert(events.end(), {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(n.key), 110});
    PutVlq(events, static_cast<std::uint32_t>(n.ticks));
    events.insert(events.end(), {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(n.key), 0});
    PutVlq(events, static_cast<std::uint32_t>(endTick - n.startTick - n.ticks));
    events.insert(events.end(), {0xFF, 0x2F, 0});
    PutTrack(file, events);
  }
  return file;
}

Bytes MakeTestSong() {
  return MakeMidi({{0, 0, 60, 0, 288}, {1, 48, 67, 48, 240}, {9, 0, 38, 0, 96}, {9, 0, 42, 192, 96}}, 1920);
}

Bytes MpegFrame(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, int bytes) {
  Bytes f(static_cast<std::size_t>(bytes), 0);
  f[0] = 0xFF;
  f[1] = b1;
  f[2] = b2;
  f[3] = b3;
  return f;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes DecodeAll(const Bytes& file, WaveFormatEx* format) {
  MemStream* stream = OpenMemStream(file.data(), static_cast<std::uint32_t>(file.size()));
  const StreamSource source{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(stream)};
  SoundConverter converter{};
  Bytes out;
  if (OpenSoundConverter(&source, &converter) == 0) {
    WaveFormatEx f{};
    void* pcm = nullptr;
    int size = 0;
    if (DecodeAllToPcm(&converter, &f, &pcm, &size) == 0) {
      out.assign(static_cast<std::uint8_t*>(pcm), static_cast<std::uint8_t*>(pcm) + size);
      MemFree(pcm);
      if (format != nullptr) *format = f;
    }
    CloseConverter(&converter);
  }
  CloseMemStream(reinterpret_cast<StreamHandle>(stream));
  return out;
}

void SoundEngine::SetUp() {
  HeadlessEngine::SetUp();
  platform::RequestAudioOutput(platform::AudioOutputKind::Automatic);
  g_Sound.oggBytesPerSample = 2;
}

void SoundEngine::TearDown() {
  platform::StopAudioCapture();
  HeadlessEngine::TearDown();
  platform::RequestAudioOutput(platform::AudioOutputKind::Automatic);
}

double SoundEngine::Rms(const std::vector<std::int16_t>& mix, int fromMs, int toMs) {
  const std::size_t from = std::min(mix.size(), static_cast<std::size_t>(fromMs) * 441 / 10 * 2);
  const std::size_t to = std::min(mix.size(), static_cast<std::size_t>(toMs) * 441 / 10 * 2);
  if (to <= from) return 0.0;
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(mix[i]) * mix[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

void HitSoundEngine::SetUp() {
  SoundEngine::SetUp();
  samples_ = Ramp(kHitFrames, 2);
  WriteFile(directory_ + "/ssez/hit.wav", MakeWav(2, 44100, 16, ToBytes(samples_)));
  ASSERT_EQ(StartEngine(), 0);
  platform::StartAudioCapture();
}

PulledOutput::PulledOutput()
    : thread_([this] {
        std::vector<std::int16_t> block(441 * 2);
        while (!stop_.load()) {
          platform::MixAudio(block.data(), 441);
          for (std::int16_t v : block)
            if (v != 0) ++loud_;
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
      }) {}

PulledOutput::~PulledOutput() {
  stop_ = true;
  thread_.join();
}

void SoundEngine::RunFor(int ms, int stepMs) {
  const std::uint32_t end = platform::MillisecondClock() + static_cast<std::uint32_t>(ms);
  while (static_cast<std::int32_t>(end - platform::MillisecondClock()) > 0) {
    ProcessMessage();
    platform::SleepMilliseconds(static_cast<std::uint32_t>(stepMs));
  }
}

}  // namespace sound_test
