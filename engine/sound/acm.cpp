#include "engine/sound/acm.h"

#include <mpg123.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

struct AcmStream {
  WaveFormatEx source;
  WaveFormatEx output;
  // ADPCM
  int samplesPerBlock;
  std::vector<std::int16_t> coefficients;  // MS ADPCM pairs
  // MPEG
  mpg123_handle* mpg;
  int overfed;  // source bytes at the caller's position that the decoder already holds
};

namespace {

constexpr int kMaxMpegFrameOutput = 1152 * 2 * 2;

int Get16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
int GetU16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

bool ValidChannels(const WaveFormatEx& f) { return f.channels == 1 || f.channels == 2; }

// The output for an ADPCM or MPEG source: 16-bit PCM at the source's rate and channels.
WaveFormatEx Pcm16Like(const WaveFormatEx& f) {
  WaveFormatEx out{platform::kWaveFormatPcm, f.channels, f.samplesPerSec, 0,
                   static_cast<std::uint16_t>(2 * f.channels), 16, 0};
  out.avgBytesPerSec = out.blockAlign * out.samplesPerSec;
  return out;
}

// Checks a source format and fills the stream's decoder details. False when it is not taken.
bool Describe(const std::uint8_t* bytes, int size, AcmStream* s) {
  if (bytes == nullptr || size < 16) return false;
  s->source = platform::WaveFormatFromBytes(bytes, size);
  const WaveFormatEx& f = s->source;
  if (!ValidChannels(f) || f.samplesPerSec < 1000 || f.samplesPerSec > 192000) return false;
  const int extra = size >= 18 ? std::min<int>(f.extraSize, size - 18) : 0;
  const std::uint8_t* ext = bytes + 18;
  switch (f.formatTag) {
    case platform::kWaveFormatPcm:
      if ((f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.blockAlign != f.channels * f.bitsPerSample / 8)
        return false;
      s->output = f;
      s->output.extraSize = 0;
      s->output.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
      return true;
    case kWaveFormatImaAdpcm: {
      if (f.bitsPerSample != 4 || f.blockAlign < 4 * f.channels + 4 || f.blockAlign % (4 * f.channels) != 0)
        return false;
      const int perBlock = (f.blockAlign - 4 * f.channels) * 8 / (4 * f.channels) + 1;
      if (extra >= 2 && GetU16(ext) != perBlock) return false;
      s->samplesPerBlock = perBlock;
      s->output = Pcm16Like(f);
      return true;
    }
    case kWaveFormatMsAdpcm: {
      if (f.bitsPerSample != 4 || extra < 4 || f.blockAlign < 7 * f.channels) return false;
      const int perBlock = GetU16(ext);
      const int count = GetU16(ext + 2);
      const int maxPerBlock = 2 + (f.blockAlign - 7 * f.channels) * 2 / f.channels;
      if (perBlock < 2 || perBlock > maxPerBlock || count < 1 || count > 256 || extra < 4 + 4 * count) return false;
      s->samplesPerBlock = perBlock;
      s->coefficients.resize(static_cast<std::size_t>(count) * 2);
      for (int i = 0; i < count * 2; ++i) s->coefficients[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(Get16(ext + 4 + 2 * i));
      s->output = Pcm16Like(f);
      return true;
    }
    case kWaveFormatALaw:
    case kWaveFormatMuLaw:
      if (f.bitsPerSample != 8 || f.blockAlign != f.channels) return false;
      s->samplesPerBlock = 1;
      s->output = Pcm16Like(f);
      return true;
    case kWaveFormatMpegLayer3:
      s->output = Pcm16Like(f);
      return true;
    default:
      return false;
  }
}

constexpr int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndex[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

std::int16_t Clamp16(int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }

void DecodeImaBlock(const AcmStream& s, const std::uint8_t* in, std::int16_t* out) {
  const int ch = s.source.channels;
  int predictor[2], index[2];
  for (int c = 0; c < ch; ++c) {
    predictor[c] = Get16(in + 4 * c);
    index[c] = std::clamp<int>(in[4 * c + 2], 0, 88);
    out[c] = static_cast<std::int16_t>(predictor[c]);
  }
  const std::uint8_t* data = in + 4 * ch;
  const int groups = (s.samplesPerBlock - 1) / 8;
  for (int g = 0; g < groups; ++g) {
    for (int c = 0; c < ch; ++c) {
      const std::uint8_t* word = data + (g * ch + c) * 4;
      for (int k = 0; k < 8; ++k) {
        const int nibble = (word[k / 2] >> ((k & 1) * 4)) & 0xF;
        const int step = kImaSteps[index[c]];
        int diff = step >> 3;
        if (nibble & 4) diff += step;
        if (nibble & 2) diff += step >> 1;
        if (nibble & 1) diff += step >> 2;
        predictor[c] = Clamp16((nibble & 8) ? predictor[c] - diff : predictor[c] + diff);
        index[c] = std::clamp(index[c] + kImaIndex[nibble], 0, 88);
        out[(1 + g * 8 + k) * ch + c] = static_cast<std::int16_t>(predictor[c]);
      }
    }
  }
}

constexpr int kMsAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

bool DecodeMsBlock(const AcmStream& s, const std::uint8_t* in, std::int16_t* out) {
  const int ch = s.source.channels;
  const int count = static_cast<int>(s.coefficients.size() / 2);
  int c1[2], c2[2], delta[2], s1[2], s2[2];
  for (int c = 0; c < ch; ++c) {
    const int p = in[c];
    if (p >= count) return false;
    c1[c] = s.coefficients[static_cast<std::size_t>(2 * p)];
    c2[c] = s.coefficients[static_cast<std::size_t>(2 * p + 1)];
    delta[c] = Get16(in + ch + 2 * c);
    s1[c] = Get16(in + 3 * ch + 2 * c);
    s2[c] = Get16(in + 5 * ch + 2 * c);
    out[c] = static_cast<std::int16_t>(s2[c]);
    out[ch + c] = static_cast<std::int16_t>(s1[c]);
  }
  const std::uint8_t* data = in + 7 * ch;
  const int nibbles = (s.samplesPerBlock - 2) * ch;
  for (int n = 0; n < nibbles; ++n) {
    const int c = n % ch;
    const int raw = (data[n / 2] >> ((n & 1) ? 0 : 4)) & 0xF;
    const int signedNibble = raw >= 8 ? raw - 16 : raw;
    const int predicted = ((s1[c] * c1[c]) + (s2[c] * c2[c])) / 256;
    const int sample = Clamp16(predicted + signedNibble * delta[c]);
    s2[c] = s1[c];
    s1[c] = sample;
    // The step size is kept where the next adaptation and the nibble product stay inside an int.
    delta[c] = std::clamp((kMsAdapt[raw] * delta[c]) / 256, 16, INT_MAX / 768);
    out[2 * ch + n] = static_cast<std::int16_t>(sample);
  }
  return true;
}

// G.711 expansion of one 8-bit code to a 16-bit sample.
int ALawSample(std::uint8_t code) {
  code ^= 0x55;
  const int segment = (code >> 4) & 7;
  int magnitude = (code & 0x0F) << 4;
  magnitude += segment == 0 ? 8 : 0x108;
  if (segment > 1) magnitude <<= segment - 1;
  return (code & 0x80) != 0 ? magnitude : -magnitude;
}

int MuLawSample(std::uint8_t code) {
  code = static_cast<std::uint8_t>(~code);
  const int segment = (code >> 4) & 7;
  const int magnitude = ((((code & 0x0F) << 3) + 0x84) << segment) - 0x84;
  return (code & 0x80) != 0 ? -magnitude : magnitude;
}

void DecodeG711(std::uint16_t tag, const std::uint8_t* in, int count, std::uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    const int v = tag == kWaveFormatALaw ? ALawSample(in[i]) : MuLawSample(in[i]);
    out[2 * i] = static_cast<std::uint8_t>(v);
    out[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
  }
}

std::once_flag g_mpgInit;

int ConvertMpeg(AcmStream* s, const std::uint8_t* source, int sourceBytes, std::uint8_t* destination,
                int destinationBytes, int* sourceUsed, int* destinationUsed) {
  int fed = std::min(s->overfed, sourceBytes);
  int produced = 0;
  bool drained = false;
  while (produced < destinationBytes) {
    std::size_t got = 0;
    const int r = mpg123_read(s->mpg, destination + produced, static_cast<std::size_t>(destinationBytes - produced),
                              &got);
    produced += static_cast<int>(got);
    if (r == MPG123_NEW_FORMAT || (r == MPG123_OK && got > 0)) continue;
    if (r == MPG123_NEED_MORE) {
      if (fed < sourceBytes && destinationBytes - produced >= kMaxMpegFrameOutput) {
        const int n = std::min(512, sourceBytes - fed);
        if (mpg123_feed(s->mpg, source + fed, static_cast<std::size_t>(n)) != MPG123_OK) return -1;
        fed += n;
        continue;
      }
      drained = true;
      break;
    }
    if (r == MPG123_OK) continue;
    // A damaged stream: what was decoded stands, the rest of this input is dropped.
    drained = true;
    fed = sourceBytes;
    break;
  }
  int used = fed;
  if (!drained && used > 0) used -= 1;  // keep the caller coming back while the decoder still holds output
  s->overfed = fed - used;
  *sourceUsed = used;
  *destinationUsed = produced;
  return 0;
}

}  // namespace

int AcmFormatSuggest(const std::uint8_t* source, int sourceSize, WaveFormatEx* out) {
  AcmStream probe{};
  if (out == nullptr || !Describe(source, sourceSize, &probe)) return -1;
  *out = probe.output;
  return 0;
}

AcmStream* AcmStreamOpen(const std::uint8_t* source, int sourceSize, const WaveFormatEx& output) {
  auto* s = new (std::nothrow) AcmStream{};
  if (s == nullptr) return nullptr;
  if (!Describe(source, sourceSize, s) || !SameWaveFormat(s->output, output)) {
    delete s;
    return nullptr;
  }
  if (s->source.formatTag == kWaveFormatMpegLayer3) {
    std::call_once(g_mpgInit, [] { mpg123_init(); });
    s->mpg = mpg123_new(nullptr, nullptr);
    bool ok = s->mpg != nullptr;
    // Every frame counts, as the frame walk counted them: no gapless trimming, the info frame decodes as audio.
    ok = ok && mpg123_param(s->mpg, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK;
    ok = ok && mpg123_param(s->mpg, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0) == MPG123_OK;
    ok = ok && mpg123_format_none(s->mpg) == MPG123_OK;
    ok = ok && mpg123_format(s->mpg, static_cast<long>(output.samplesPerSec),
                             output.channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
    ok = ok && mpg123_open_feed(s->mpg) == MPG123_OK;
    if (!ok) {
      AcmStreamClose(s);
      return nullptr;
    }
  }
  return s;
}

int AcmStreamConvert(AcmStream* s, const std::uint8_t* source, int sourceBytes, std::uint8_t* destination,
                     int destinationBytes, int* sourceUsed, int* destinationUsed) {
  if (s == nullptr || sourceUsed == nullptr || destinationUsed == nullptr || sourceBytes < 0 ||
      destinationBytes < 0)
    return -1;
  *sourceUsed = 0;
  *destinationUsed = 0;
  if (s->source.formatTag == kWaveFormatMpegLayer3)
    return ConvertMpeg(s, source, sourceBytes, destination, destinationBytes, sourceUsed, destinationUsed);
  const int inBlock = s->source.blockAlign;
  const int outBlock = s->source.formatTag == platform::kWaveFormatPcm ? inBlock
                                                                        : s->samplesPerBlock * s->output.blockAlign;
  const int blocks = std::min(sourceBytes / inBlock, destinationBytes / outBlock);
  if (s->source.formatTag == kWaveFormatALaw || s->source.formatTag == kWaveFormatMuLaw) {
    DecodeG711(s->source.formatTag, source, blocks * inBlock, destination);
    *sourceUsed = blocks * inBlock;
    *destinationUsed = blocks * outBlock;
    return 0;
  }
  for (int b = 0; b < blocks; ++b) {
    const std::uint8_t* in = source + b * inBlock;
    std::uint8_t* out = destination + b * outBlock;
    if (s->source.formatTag == platform::kWaveFormatPcm) {
      std::memcpy(out, in, static_cast<std::size_t>(inBlock));
      continue;
    }
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(outBlock / 2));
    if (s->source.formatTag == kWaveFormatImaAdpcm) {
      DecodeImaBlock(*s, in, pcm.data());
    } else if (!DecodeMsBlock(*s, in, pcm.data())) {
      return -1;
    }
    for (std::size_t i = 0; i < pcm.size(); ++i) {
      out[2 * i] = static_cast<std::uint8_t>(pcm[i]);
      out[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(pcm[i]) >> 8);
    }
  }
  *sourceUsed = blocks * inBlock;
  *destinationUsed = blocks * outBlock;
  return 0;
}

int AcmStreamSize(AcmStream* s, int sourceBytes) {
  if (s == nullptr || sourceBytes < 0) return -1;
  if (s->source.formatTag == kWaveFormatMpegLayer3) return -1;
  const int blocks = sourceBytes / s->source.blockAlign;
  const long long bytes = s->source.formatTag == platform::kWaveFormatPcm
                              ? static_cast<long long>(blocks) * s->source.blockAlign
                              : static_cast<long long>(blocks) * s->samplesPerBlock * s->output.blockAlign;
  return bytes > 0x7FFFFFFF ? -1 : static_cast<int>(bytes);
}

void AcmStreamClose(AcmStream* s) {
  if (s == nullptr) return;
  if (s->mpg != nullptr) mpg123_delete(s->mpg);
  delete s;
}
