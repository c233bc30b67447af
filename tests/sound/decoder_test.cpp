#include <gtest/gtest.h>

#include <ogg/ogg.h>

#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/mem_stream.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

// Opens a converter over the bytes; the stream stays open while the result lives.
struct Opened {
  explicit Opened(const Bytes& bytes) : data(bytes) {
    stream = OpenMemStream(data.data(), static_cast<std::uint32_t>(data.size()));
    const StreamSource source{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(stream)};
    result = OpenSoundConverter(&source, &converter);
  }
  ~Opened() {
    CloseConverter(&converter);
    CloseMemStream(reinterpret_cast<StreamHandle>(stream));
  }
  Bytes data;
  MemStream* stream;
  SoundConverter converter{};
  int result;
};

Bytes Head(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }

Bytes Chunk(const char* id, const Bytes& body) {
  Bytes b(id, id + 4);
  Put32(b, static_cast<std::uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() % 2 == 1) b.push_back(0);
  return b;
}

TEST(WavDecoding, Variants) {
  const Bytes pcm = ToBytes(Ramp(100, 2));
  const Bytes odd = Chunk("LIST", Bytes(5, 'x'));
  Bytes fmtNotFirst = MakeWav(2, 44100, 16, pcm);
  // "junk" chunk between WAVE and fmt: both WAV decoders refuse it.
  const Bytes junk = Chunk("junk", Bytes(4, 0));
  fmtNotFirst.insert(fmtNotFirst.begin() + 12, junk.begin(), junk.end());
  Bytes lyingSize = MakeWav(2, 44100, 16, pcm);
  lyingSize[lyingSize.size() - pcm.size() - 4] = 0xFF;  // data size far beyond the file
  lyingSize[lyingSize.size() - pcm.size() - 1] = 0x7F;
  const struct {
    const char* name;
    Bytes file;
    int result;
    int pcmSize;
  } cases[] = {
      {"plain", MakeWav(2, 44100, 16, pcm), 0, 400},
      {"18-byte fmt", MakeWav(2, 44100, 16, pcm, 18), 0, 400},
      {"chunk between fmt and data, odd size padded", MakeWav(2, 44100, 16, pcm, 16, odd), 0, 400},
      {"fmt not right after WAVE", fmtNotFirst, -1, 0},
      {"data size beyond the file", lyingSize, 0, 400},
      {"truncated in the header", Head(MakeWav(2, 44100, 16, pcm), 30),
       -1, 0},
      {"no data chunk", Head(MakeWav(2, 44100, 16, pcm), 36), -1, 0},
      {"three channels", MakeWav(3, 44100, 16, pcm), -1, 0},
      {"empty", Bytes(), -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Opened o(c.file);
    EXPECT_EQ(o.result, c.result);
    if (o.result == 0) {
      EXPECT_EQ(o.converter.kind, kConverterPcmWav);
      EXPECT_EQ(ConverterPcmSize(&o.converter), c.pcmSize);
      Bytes out(static_cast<std::size_t>(c.pcmSize) + 10);
      EXPECT_EQ(ConverterRead(&o.converter, out.data(), static_cast<int>(out.size())), c.pcmSize);
      EXPECT_EQ(0, std::memcmp(out.data(), pcm.data(), pcm.size()));
      EXPECT_EQ(ConverterRead(&o.converter, out.data(), 4), 0);
    }
  }
}

TEST(WavDecoding, SixteenByteFmtTakesItsBitsFromTheBlockAlign) {
  Bytes file = MakeWav(2, 22050, 16, ToBytes(Ramp(10, 2)));
  file[34] = 99;  // bits per sample field: ignored for a 16-byte fmt
  Opened o(file);
  ASSERT_EQ(o.result, 0);
  EXPECT_EQ(o.converter.outputFormat.bitsPerSample, 16);
  EXPECT_EQ(o.converter.outputFormat.avgBytesPerSec, 88200u);
}

TEST(WavDecoding, SeeksWithinFifteenBytesChangeNothing) {
  Opened o(MakeWav(2, 44100, 16, ToBytes(Ramp(1000, 2))));
  ASSERT_EQ(o.result, 0);
  std::uint8_t b[8];
  ConverterRead(&o.converter, b, 8);
  ConverterSeek(&o.converter, 0);  // 8 bytes back: ignored
  EXPECT_EQ(o.converter.pcmPosition, 8);
  ConverterSeek(&o.converter, 100);
  EXPECT_EQ(o.converter.pcmPosition, 400);
  ConverterRead(&o.converter, b, 4);
  const auto ramp = Ramp(1000, 2);
  EXPECT_EQ(b[0] | (b[1] << 8), static_cast<std::uint16_t>(ramp[200]));
}

TEST(WavDecoding, ImaAdpcmDecodesThroughTheAcmLayer) {
  // One mono block of 256 bytes: header (predictor 1000, index 0) and nibbles all 0x7 (steps upward).
  Bytes fmt;
  Put16(fmt, 0x11);
  Put16(fmt, 1);
  Put32(fmt, 22050);
  Put32(fmt, 11100);
  Put16(fmt, 256);
  Put16(fmt, 4);
  Put16(fmt, 2);
  Put16(fmt, 505);
  Bytes block;
  Put16(block, 1000);
  block.push_back(0);
  block.push_back(0);
  block.resize(256, 0x77);
  Bytes file{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  Bytes fmtChunk = Chunk("fmt ", fmt);
  Bytes dataChunk = Chunk("data", block);
  file.insert(file.end(), fmtChunk.begin(), fmtChunk.end());
  file.insert(file.end(), dataChunk.begin(), dataChunk.end());
  WaveFormatEx f{};
  const Bytes out = DecodeAll(file, &f);
  EXPECT_EQ(f.formatTag, 1);
  EXPECT_EQ(f.bitsPerSample, 16);
  ASSERT_EQ(out.size(), 505u * 2);
  auto sample = [&](int i) { return static_cast<std::int16_t>(out[2 * i] | (out[2 * i + 1] << 8)); };
  EXPECT_EQ(sample(0), 1000);
  for (int i = 1; i < 505; ++i) ASSERT_GT(sample(i), sample(i - 1) - 1) << i;
  EXPECT_EQ(sample(504), 32767);
}

TEST(WavDecoding, MsAdpcmStepSizeStaysBoundedOnAStreamOfLargestSteps) {
  // One mono block of 256 bytes (500 samples) whose nibbles are all 8: every nibble triples the step size, so an
  // unbounded step overflows after a few dozen samples. The samples must saturate at the bottom and stay there.
  Bytes fmt;
  Put16(fmt, 0x02);
  Put16(fmt, 1);
  Put32(fmt, 22050);
  Put32(fmt, 11155);
  Put16(fmt, 256);
  Put16(fmt, 4);
  Put16(fmt, 32);
  Put16(fmt, 500);
  Put16(fmt, 7);
  const int coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
  for (const auto& c : coefficients) {
    Put16(fmt, c[0]);
    Put16(fmt, c[1]);
  }
  Bytes block{0};  // predictor 0
  Put16(block, 16);  // step size
  Put16(block, 0);
  Put16(block, 0);
  block.resize(256, 0x88);
  Bytes file{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  Bytes fmtChunk = Chunk("fmt ", fmt);
  Bytes dataChunk = Chunk("data", block);
  file.insert(file.end(), fmtChunk.begin(), fmtChunk.end());
  file.insert(file.end(), dataChunk.begin(), dataChunk.end());
  WaveFormatEx f{};
  const Bytes out = DecodeAll(file, &f);
  ASSERT_EQ(out.size(), 500u * 2);
  auto sample = [&](int i) { return static_cast<std::int16_t>(out[2 * i] | (out[2 * i + 1] << 8)); };
  for (int i = 20; i < 500; ++i) ASSERT_EQ(sample(i), -32768) << i;
}

// An MPEG-1 Layer III frame at 128 kbit/s, 44100 Hz: 417 bytes (+1 with padding), 1152 samples.
Bytes Mpeg1Frame(bool padding = false) { return MpegFrame(0xFB, padding ? 0x92 : 0x90, 0x44, padding ? 418 : 417); }

TEST(WavDecoding, ALawAndMuLawExpandTo16Bits) {
  // Codes and their G.711 expansions.
  const struct {
    std::uint16_t tag;
    std::uint8_t code;
    int sample;
  } cases[] = {{6, 0xD5, 8},      {6, 0x55, -8},      {6, 0xAA, 32256}, {6, 0x2A, -32256}, {6, 0xC5, 264},
               {7, 0xFF, 0},      {7, 0x7F, 0},       {7, 0x80, 32124}, {7, 0x00, -32124}, {7, 0xEF, 132}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tag << " " << int(c.code));
    Bytes wav = MakeWav(2, 8000, 8, Bytes{c.code, c.code, c.code, c.code}, 18);
    wav[20] = static_cast<std::uint8_t>(c.tag);
    WaveFormatEx f{};
    const Bytes pcm = DecodeAll(wav, &f);
    ASSERT_EQ(pcm.size(), 8u);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSec, 8000u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8)), c.sample);
  }
  // A G.711 format claiming 16 bits is not G.711.
  Bytes wrong = MakeWav(1, 8000, 16, Bytes(8, 0xD5), 18);
  wrong[20] = 6;
  EXPECT_TRUE(DecodeAll(wrong).empty());
}

TEST(WavDecoding, UnplayableWavDataIsNotTakenForMpegAudio) {
  // 24-bit PCM refused by both WAV decoders, whose data holds a run of bytes that looks like one frame header.
  Bytes data(4000, 0);
  const std::uint8_t header[] = {0xFF, 0xFB, 0x90, 0x44};
  std::copy(std::begin(header), std::end(header), data.begin() + 30);
  Opened o(MakeWav(2, 44100, 24, data));
  EXPECT_EQ(o.result, -1);
}

TEST(MpegFrameHeader, Fields) {
  const struct {
    std::uint8_t h[4];
    int result, bytes, samples, rate, channels;
  } cases[] = {
      {{0xFF, 0xFB, 0x90, 0x44}, 0, 417, 1152, 44100, 2},   // MPEG-1 L3 128k
      {{0xFF, 0xFB, 0x92, 0xC4}, 0, 418, 1152, 44100, 1},   // padded, single channel
      {{0xFF, 0xF3, 0xD4, 0x44}, 0, 432, 576, 24000, 2},    // MPEG-2 L3 144k 24 kHz
      {{0xFF, 0xF3, 0xD6, 0x44}, 0, 433, 576, 24000, 2},    // padded
      {{0xFF, 0xFF, 0x90, 0x44}, 0, 312, 96, 44100, 2},     // MPEG-1 Layer I 288k: (288*12000/44100)*4
      {{0xFF, 0xFD, 0x90, 0x44}, 0, 522, 1152, 44100, 2},   // MPEG-1 Layer II 160k
      {{0xFF, 0xF9, 0x90, 0x44}, -1, 0, 0, 0, 0},           // reserved layer
      {{0xFF, 0xFB, 0xF0, 0x44}, -1, 0, 0, 0, 0},           // bitrate 15
      {{0xFF, 0xFB, 0x00, 0x44}, -1, 0, 0, 0, 0},           // free format
      {{0xFF, 0xFB, 0x9C, 0x44}, -1, 0, 0, 0, 0},           // rate index 3
      {{0xFF, 0xE3, 0x90, 0x44}, -2, 0, 0, 0, 0},           // MPEG-2.5: not recognised
      {{0xFE, 0xFB, 0x90, 0x44}, -2, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int(c.h[1]) << " " << int(c.h[2]));
    MpegFrameHeader f{};
    ASSERT_EQ(ParseMpegFrameHeader(c.h, &f), c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(f.frameBytes, c.bytes);
    EXPECT_EQ(f.samples, c.samples);
    EXPECT_EQ(f.sampleRate, c.rate);
    EXPECT_EQ(f.channels, c.channels);
  }
}

Bytes Frames(int n, bool vbr = false) {
  Bytes out;
  for (int i = 0; i < n; ++i) {
    const Bytes f = vbr && i % 2 == 1 ? MpegFrame(0xFB, 0xB0, 0x44, 626) : Mpeg1Frame(i % 3 == 2);  // 192k
    out.insert(out.end(), f.begin(), f.end());
  }
  return out;
}

TEST(Mp3FrameWalk, CountsFramesAndFindsTheData) {
  Bytes id3v24{'I', 'D', '3', 4, 0, 0x10, 0, 0, 0x01, 0x00};  // 128 bytes of tag, with a footer
  id3v24.resize(10 + 128 + 10, 0);
  Bytes id3v23{'I', 'D', '3', 3, 0, 0x10, 0, 0, 0x01, 0x00};  // footer flag means nothing before version 4
  id3v23.resize(10 + 128, 0);
  Bytes tag{'T', 'A', 'G'};
  tag.resize(128, 0);
  tag[60] = 0xFF;  // a frame start inside the trailing tag is not walked
  tag[61] = 0xFB;
  tag[62] = 0x90;
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const Bytes mpeg2 = MpegFrame(0xF3, 0xD4, 0x44, 432);
  const struct {
    const char* name;
    Bytes file;
    int result, dataStart, dataSize, totalFrames;
  } cases[] = {
      {"CBR", Frames(10), 0, 0, 4173, 11520},
      {"VBR", Frames(10, true), 0, 0, 5 * 626 + 4173 - 5 * 417 - 1, 11520},
      {"ID3v2.4 with footer", join({id3v24, Frames(4)}), 0, 148, 1669, 4608},
      {"ID3v2.3", join({id3v23, Frames(4)}), 0, 138, 1669, 4608},
      {"ID3v1 TAG at the end", join({Frames(4), tag}), 0, 0, 1669, 4608},
      {"MPEG-2 Layer III", join({mpeg2, mpeg2}), 0, 0, 864, 1152},
      {"garbage before the first frame", join({Bytes{1, 2, 3, 0xFF, 0x12}, Frames(2)}), 0, 5, 834, 2304},
      {"stray invalid header first", join({Bytes{0xFF, 0xF9, 0x90, 0x44}, Frames(2)}), -1, 0, 0, 0},
      // A frame start must begin a run of frames that agree, header to header.
      {"stray valid header first", join({Bytes{0xFF, 0xFB, 0x90, 0x44, 0}, Frames(3)}), -1, 0, 0, 0},
      {"a single frame", Frames(1), -1, 0, 0, 0},
      {"8-byte prefix of a frame", Bytes{0xFF, 0xFB, 0x90, 0x44, 0, 0, 0, 0}, -1, 0, 0, 0},
      {"second header of another rate", join({Mpeg1Frame(), mpeg2, Frames(2)}), -1, 0, 0, 0},
      {"nothing at the first frame's end", join({Mpeg1Frame(), Bytes(417, 0), Frames(2)}), -1, 0, 0, 0},
      {"truncated last frame", Head(Frames(3), 1152), 0, 0, 1152, 3456},
      {"no frame", Bytes(1000, 0x11), -1, 0, 0, 0},
      {"tag longer than the file", Bytes{'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 0xFF, 0xFB}, -1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Opened o(c.file);
    ASSERT_EQ(o.result, c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(o.converter.kind, kConverterAcm);
    EXPECT_EQ(o.converter.dataStart, c.dataStart);
    EXPECT_EQ(o.converter.dataSize, c.dataSize);
    EXPECT_EQ(o.converter.totalFrames, c.totalFrames);
    EXPECT_EQ(ConverterPcmSize(&o.converter), c.totalFrames * o.converter.outputFormat.blockAlign);
  }
}

TEST(Mp3FrameWalk, TheSourceFormatIsAnMpegLayer3Format) {
  Opened o(Frames(3));
  ASSERT_EQ(o.result, 0);
  ASSERT_EQ(o.converter.acmSourceFormatSize, 30);
  const std::uint8_t* f = o.converter.acmSourceFormat;
  EXPECT_EQ(f[0] | (f[1] << 8), 0x55);
  EXPECT_EQ(f[12] | (f[13] << 8), 1);              // block align
  EXPECT_EQ(f[16] | (f[17] << 8), 12);             // extra size
  EXPECT_EQ(f[24] | (f[25] << 8), 417);            // block size
  EXPECT_EQ(f[28] | (f[29] << 8), 700);            // codec delay
  EXPECT_EQ(static_cast<int>(f[8] | (f[9] << 8) | (f[10] << 16)), 16000);  // 128 kbit/s
}

TEST(Mp3Decoding, EncodedToneDecodesToItsFrameCountAndSeeksBack) {
  const Bytes file = MakeMp3(44100, 2, 128, 1.0);
  WaveFormatEx f{};
  const Bytes pcm = DecodeAll(file, &f);
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.samplesPerSec, 44100u);
  EXPECT_EQ(f.bitsPerSample, 16);
  ASSERT_EQ(pcm.size() % (1152 * 4), 0u);
  EXPECT_GE(pcm.size(), 44100u * 4);
  // The tone is there: some samples well away from zero.
  int loud = 0;
  for (std::size_t i = 0; i + 1 < pcm.size(); i += 2)
    if (std::abs(static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8))) > 4000) ++loud;
  EXPECT_GT(loud, 10000);

  // A backward seek restarts through the spare stream and gives the same bytes again.
  Opened o(file);
  ASSERT_EQ(o.result, 0);
  Bytes first(50000), again(50000);
  ASSERT_EQ(ConverterRead(&o.converter, first.data(), 50000), 50000);
  ConverterSeek(&o.converter, 2000);
  ASSERT_EQ(ConverterRead(&o.converter, again.data(), 42000), 42000);
  EXPECT_EQ(0, std::memcmp(first.data() + 8000, again.data(), 42000));
}

TEST(OggDecoding, MonoStreamOpensWithItsFormat) {
  const Bytes file = MakeOgg(44100, 1, 0.5);
  Opened o(file);
  ASSERT_EQ(o.result, 0);
  EXPECT_EQ(o.converter.kind, kConverterOgg);
  const WaveFormatEx& f = o.converter.outputFormat;
  EXPECT_EQ(f.channels, 1);
  EXPECT_EQ(f.blockAlign, 2);
  EXPECT_EQ(f.avgBytesPerSec, 88200u);
  EXPECT_EQ(f.bitsPerSample, 16);
  EXPECT_EQ(ConverterPcmSize(&o.converter), 22050 * 2);
  const Bytes pcm = DecodeAll(file);
  EXPECT_EQ(pcm.size(), 44100u);
}

TEST(OggDecoding, ALastGranuleBeyondTheByteRangeGivesNoSize) {
  // The last page claims about 2^31 sample frames: four bytes each are more PCM bytes than a size can hold.
  Bytes file = MakeOgg(44100, 2, 2.0);
  std::size_t last = 0;
  for (std::size_t i = 0; i + 4 <= file.size(); ++i)
    if (std::memcmp(file.data() + i, "OggS", 4) == 0) last = i;
  std::uint8_t* page = file.data() + last;
  const std::uint64_t granule = 0x7FFFFF00u;
  for (int i = 0; i < 8; ++i) page[6 + i] = static_cast<std::uint8_t>(granule >> (8 * i));
  const int segments = page[26];
  long body = 0;
  for (int i = 0; i < segments; ++i) body += page[27 + i];
  ogg_page p{page, 27 + segments, page + 27 + segments, body};
  ogg_page_checksum_set(&p);
  Opened o(file);
  ASSERT_EQ(o.result, 0);
  ASSERT_EQ(o.converter.kind, kConverterOgg);
  EXPECT_EQ(ConverterPcmSize(&o.converter), -1);
}

TEST(OggDecoding, ChainedLinksMustShareRateAndChannels) {
  const Bytes a = MakeOgg(44100, 2, 0.3, 1);
  Bytes same = a;
  const Bytes b = MakeOgg(44100, 2, 0.2, 2);
  same.insert(same.end(), b.begin(), b.end());
  {
    Opened o(same);
    ASSERT_EQ(o.result, 0);
    EXPECT_EQ(o.converter.kind, kConverterOgg);
    EXPECT_EQ(ConverterPcmSize(&o.converter), (13230 + 8820) * 4);
  }
  for (const Bytes& other : {MakeOgg(22050, 2, 0.2, 2), MakeOgg(44100, 1, 0.2, 2)}) {
    Bytes chained = a;
    chained.insert(chained.end(), other.begin(), other.end());
    Opened o(chained);
    EXPECT_EQ(o.result, -1);
  }
}

TEST(OggDecoding, DamagedOggIsRefusedByEveryDecoder) {
  Bytes file = MakeOgg(44100, 2, 0.2);
  file.resize(60);
  Opened o(file);
  EXPECT_EQ(o.result, -1);
}

}  // namespace
}  // namespace sound_test
