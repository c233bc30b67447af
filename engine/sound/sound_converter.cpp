// Decoding to PCM: the converter over a stream source that tries PCM WAV, compressed WAV, Ogg Vorbis and MPEG
// audio in turn, and the small WAV routines.
#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/sound/acm.h"
#include "engine/sound/sound.h"

bool SameWaveFormat(const WaveFormatEx& a, const WaveFormatEx& b) {
  std::uint8_t x[platform::kWaveFormatBytes], y[platform::kWaveFormatBytes];
  platform::WaveFormatToBytes(a, x);
  platform::WaveFormatToBytes(b, y);
  return std::memcmp(x, y, sizeof x) == 0;
}

namespace {

int SrcRead(SoundConverter* c, void* buffer, int bytes) {
  if (bytes <= 0) return 0;
  const int items = c->source.functions.read(buffer, 1, bytes, c->source.handle);
  return items < 0 ? 0 : items;
}
bool SrcReadExact(SoundConverter* c, void* buffer, int bytes) { return SrcRead(c, buffer, bytes) == bytes; }
int SrcTell(SoundConverter* c) { return c->source.functions.tell(c->source.handle); }
int SrcSeek(SoundConverter* c, int position) { return c->source.functions.seek(c->source.handle, position, 0); }
// The source's length; the position is left at the start.
int SrcSize(SoundConverter* c) {
  c->source.functions.seek(c->source.handle, 0, 2);
  const int size = SrcTell(c);
  SrcSeek(c, 0);
  return size;
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool PlayablePcm(const WaveFormatEx& f) {
  return f.formatTag == platform::kWaveFormatPcm && (f.channels == 1 || f.channels == 2) &&
         (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.blockAlign == f.channels * f.bitsPerSample / 8 &&
         f.samplesPerSec >= 1000 && f.samplesPerSec <= 192000;
}

// The RIFF / WAVE / fmt / data walk shared by both WAV decoders. Leaves the fmt chunk (owned, MemFree) in *fmt and
// the source positioned at the data.
bool WalkWav(SoundConverter* c, std::uint8_t** fmt) {
  *fmt = nullptr;
  const int fileSize = SrcSize(c);
  if (fileSize < 12) return false;
  std::uint8_t header[8];
  if (!SrcReadExact(c, header, 8) || std::memcmp(header, "RIFF", 4) != 0) return false;
  if (!SrcReadExact(c, header, 4) || std::memcmp(header, "WAVE", 4) != 0) return false;
  if (!SrcReadExact(c, header, 8) || std::memcmp(header, "fmt ", 4) != 0) return false;
  const std::uint32_t fmtSize = Le32(header + 4);
  c->fmtPosition = SrcTell(c);
  if (fmtSize < 16 || fmtSize > 1024 || fmtSize > static_cast<std::uint32_t>(fileSize - c->fmtPosition)) return false;
  c->fmtSize = static_cast<int>(fmtSize);
  *fmt = static_cast<std::uint8_t*>(ENGINE_ALLOC_ZEROED(c->fmtSize + 2));
  if (*fmt == nullptr) return false;
  if (!SrcReadExact(c, *fmt, c->fmtSize)) return false;
  long long position = c->fmtPosition + static_cast<long long>(fmtSize + (fmtSize & 1));
  for (;;) {
    if (position + 8 > fileSize) return false;
    SrcSeek(c, static_cast<int>(position));
    if (!SrcReadExact(c, header, 8)) return false;
    const std::uint32_t size = Le32(header + 4);
    position += 8;
    if (std::memcmp(header, "data", 4) == 0) {
      c->dataStart = static_cast<int>(position);
      // A data chunk that claims more than the file holds plays what is there.
      c->dataSize = static_cast<int>(std::min<long long>(size, fileSize - position));
      return true;
    }
    position += static_cast<long long>(size) + (size & 1);
  }
}

bool PrepareAcm(SoundConverter* c) {
  if (AcmFormatSuggest(c->acmSourceFormat, c->acmSourceFormatSize, &c->outputFormat) == -1) return false;
  if (c->dataSize <= 0) return false;
  c->encoded = static_cast<std::uint8_t*>(ENGINE_ALLOC(c->dataSize));
  if (c->encoded == nullptr) return false;
  SrcSeek(c, c->dataStart);
  c->encodedSize = SrcRead(c, c->encoded, c->dataSize);
  c->encodedPosition = 0;
  SrcSeek(c, c->dataStart);
  c->acmMain = AcmStreamOpen(c->acmSourceFormat, c->acmSourceFormatSize, c->outputFormat);
  c->acmSpare = AcmStreamOpen(c->acmSourceFormat, c->acmSourceFormatSize, c->outputFormat);
  if (c->acmMain == nullptr || c->acmSpare == nullptr) return false;
  c->workSize = static_cast<int>(c->outputFormat.avgBytesPerSec);
  c->scratch = static_cast<std::uint8_t*>(ENGINE_ALLOC(c->workSize));
  if (c->scratch == nullptr) return false;
  c->kind = kConverterAcm;
  return true;
}

void FreeAcm(SoundConverter* c) {
  AcmStreamClose(c->acmMain);
  AcmStreamClose(c->acmSpare);
  c->acmMain = c->acmSpare = nullptr;
  if (c->acmSourceFormat != nullptr) MemFree(c->acmSourceFormat);
  if (c->scratch != nullptr) MemFree(c->scratch);
  if (c->encoded != nullptr) MemFree(c->encoded);
  c->acmSourceFormat = c->scratch = c->encoded = nullptr;
}

// Frames that must follow one another header to header, each agreeing with the first in version, layer, rate and
// channels, before bytes are taken for MPEG audio. Two bytes that merely look like a frame start are common in
// other data.
constexpr int kMpegRunFrames = 3;

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
  return a.mpeg1 == b.mpeg1 && a.layer == b.layer && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

// Whether the frame at start begins a run of agreeing frames: kMpegRunFrames of them, or at least two that reach
// the end of the data. The source position is left undefined.
bool MpegRunAgrees(SoundConverter* c, long long start, const MpegFrameHeader& first, long long dataEnd) {
  long long position = start + first.frameBytes;
  for (int count = 1; count < kMpegRunFrames; ++count) {
    if (position >= dataEnd) return count >= 2;
    std::uint8_t h[4];
    MpegFrameHeader next{};
    SrcSeek(c, static_cast<int>(position));
    if (!SrcReadExact(c, h, 4) || ParseMpegFrameHeader(h, &next) != 0 || !SameStream(first, next)) return false;
    position += next.frameBytes;
  }
  return true;
}

}  // namespace

int OpenWavPcm(SoundConverter* c) {
  std::uint8_t* fmt = nullptr;
  const bool walked = WalkWav(c, &fmt);
  if (!walked || fmt == nullptr || (fmt[0] | (fmt[1] << 8)) != platform::kWaveFormatPcm) {
    if (fmt != nullptr) MemFree(fmt);
    return -1;
  }
  c->outputFormat = platform::WaveFormatFromBytes(fmt, c->fmtSize);
  MemFree(fmt);
  WaveFormatEx& f = c->outputFormat;
  if (c->fmtSize == 16) {
    if (f.channels == 0) return -1;
    f.bitsPerSample = static_cast<std::uint16_t>(f.blockAlign / f.channels * 8);
    f.extraSize = 0;
  }
  if (!PlayablePcm(f)) return -1;
  // The rate the buffers are sized by follows from the format, whatever the header claims.
  f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
  f.extraSize = 0;
  c->dataSize -= c->dataSize % f.blockAlign;
  SrcSeek(c, c->dataStart);
  c->workSize = static_cast<int>(f.avgBytesPerSec);
  c->kind = kConverterPcmWav;
  return 0;
}

int OpenAcmWav(SoundConverter* c) {
  std::uint8_t* fmt = nullptr;
  if (!WalkWav(c, &fmt)) {
    if (fmt != nullptr) MemFree(fmt);
    return -1;
  }
  c->acmSourceFormat = fmt;
  c->acmSourceFormatSize = c->fmtSize;
  if ((fmt[0] | (fmt[1] << 8)) == platform::kWaveFormatPcm && c->fmtSize == 16) {
    const int channels = fmt[2] | (fmt[3] << 8);
    const int blockAlign = fmt[12] | (fmt[13] << 8);
    if (channels != 0) {
      const int bits = blockAlign / channels * 8;
      fmt[14] = static_cast<std::uint8_t>(bits);
      fmt[15] = static_cast<std::uint8_t>(bits >> 8);
    }
  }
  c->totalFrames = -1;
  if (!PrepareAcm(c)) {
    FreeAcm(c);
    return -1;
  }
  return 0;
}

int ParseMpegFrameHeader(const std::uint8_t h[4], MpegFrameHeader* out) {
  static constexpr int kBitrates[5][14] = {
      {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
      {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
      {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
  static constexpr int kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
  if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return -2;
  MpegFrameHeader f{};
  f.mpeg1 = (h[1] & 0x08) != 0 ? 1 : 0;
  const int layerBits = (h[1] >> 1) & 3;
  if (layerBits == 0) return -1;
  f.layer = 3 - layerBits;
  const int bitrateIndex = h[2] >> 4;
  // Index 15 is forbidden; index 0 (free format) has no frame length to walk by and is refused too.
  if (bitrateIndex == 15 || bitrateIndex == 0) return -1;
  const int row = f.mpeg1 ? f.layer : (f.layer == 0 ? 3 : 4);
  f.bitrate = kBitrates[row][bitrateIndex - 1];
  const int rateIndex = (h[2] >> 2) & 3;
  if (rateIndex == 3) return -1;
  f.sampleRate = kRates[f.mpeg1][rateIndex];
  f.padding = (h[2] >> 1) & 1;
  f.channels = (h[3] & 0xC0) == 0xC0 ? 1 : 2;
  if (f.layer == 0) {
    f.frameBytes = (f.bitrate * 12000 / f.sampleRate + f.padding) * 4;
    f.samples = 96;
  } else if (f.mpeg1) {
    f.frameBytes = f.bitrate * 144000 / f.sampleRate + f.padding;
    f.samples = 1152;
  } else {
    f.frameBytes = f.bitrate * 72000 / f.sampleRate + f.padding;
    f.samples = 576;
  }
  if (out != nullptr) *out = f;
  return 0;
}

int OpenMp3Acm(SoundConverter* c) {
  c->totalFrames = 0;
  const int fileSize = SrcSize(c);
  if (fileSize < 4) return -1;
  std::uint8_t b[10];
  long long tagLength = 0;
  if (SrcReadExact(c, b, 3) && std::memcmp(b, "ID3", 3) == 0 && SrcReadExact(c, b + 3, 7)) {
    tagLength = ((b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F)) + 10;
    if (b[3] == 4 && (b[5] & 0x10) != 0) tagLength += 10;
  }
  long long trailing = fileSize;
  if (fileSize > 128) {
    SrcSeek(c, fileSize - 128);
    trailing = SrcReadExact(c, b, 3) && std::memcmp(b, "TAG", 3) == 0 ? 128 : 0;
  }
  if (tagLength >= fileSize) return -1;
  SrcSeek(c, static_cast<int>(tagLength));
  long long frames = 0;
  int first = -1;
  long long dataEnd = 0;
  MpegFrameHeader firstHeader{};
  for (;;) {
    std::uint8_t h[4];
    if (!SrcReadExact(c, h, 1)) break;
    if (h[0] != 0xFF) continue;
    if (!SrcReadExact(c, h + 1, 1)) break;
    if ((h[1] & 0xF0) != 0xF0) continue;
    if (!SrcReadExact(c, h + 2, 2)) break;
    MpegFrameHeader f{};
    if (ParseMpegFrameHeader(h, &f) != 0) return -1;
    const long long start = SrcTell(c) - 4;
    if (first < 0) {
      if (!MpegRunAgrees(c, start, f, fileSize - trailing)) return -1;
      first = static_cast<int>(start);
      firstHeader = f;
    }
    frames += f.samples;
    dataEnd = start + f.frameBytes;
    if (dataEnd < fileSize - trailing) {
      SrcSeek(c, static_cast<int>(dataEnd));
    } else {
      break;
    }
  }
  if (first < 0) return -1;
  if (frames * 2 * firstHeader.channels > INT_MAX) return -1;
  c->totalFrames = static_cast<int>(frames);
  std::uint8_t* format = static_cast<std::uint8_t*>(ENGINE_ALLOC_ZEROED(30));
  if (format == nullptr) return -1;
  const WaveFormatEx wf{0x55,
                        static_cast<std::uint16_t>(firstHeader.channels),
                        static_cast<std::uint32_t>(firstHeader.sampleRate),
                        static_cast<std::uint32_t>(firstHeader.bitrate * 1000 / 8),
                        1,
                        0,
                        12};
  platform::WaveFormatToBytes(wf, format);
  format[18] = 1;  // MPEG
  Put32(format + 20, static_cast<std::uint32_t>(firstHeader.padding));
  format[24] = static_cast<std::uint8_t>(firstHeader.frameBytes);
  format[25] = static_cast<std::uint8_t>(firstHeader.frameBytes >> 8);
  format[26] = 1;
  format[28] = 700 & 0xFF;
  format[29] = 700 >> 8;
  c->acmSourceFormat = format;
  c->acmSourceFormatSize = 30;
  c->dataStart = first;
  c->dataSize = static_cast<int>(std::min<long long>(dataEnd, fileSize) - first);
  if (!PrepareAcm(c)) {
    FreeAcm(c);
    return -1;
  }
  return 0;
}

int AcmConvertStep(SoundConverter* c) {
  if (c->encodedPosition >= c->encodedSize) return -1;
  const int chunk = std::min(2048, c->encodedSize - c->encodedPosition);
  int used = 0, produced = 0;
  if (AcmStreamConvert(c->acmMain, c->encoded + c->encodedPosition, chunk, c->work, c->workSize, &used, &produced) ==
      -1)
    return -1;
  c->held = produced;
  c->encodedPosition += used;
  if (produced == 0) {
    c->encodedPosition = c->encodedSize;
    c->held = 0;
    return -1;
  }
  return 0;
}

int OpenSoundConverter(const StreamSource* source, SoundConverter* c) {
  if (source == nullptr || c == nullptr) return -1;
  std::memset(c, 0, sizeof *c);
  c->source = *source;
  c->warmupTarget = 0;
  c->oggBytesPerSample = g_Sound.oggBytesPerSample;
  SrcSeek(c, 0);
  if (OpenWavPcm(c) == -1) {
    SrcSeek(c, 0);
    if (OpenAcmWav(c) == -1) {
      SrcSeek(c, 0);
      if (OggStreamOpen(c) == -1) {
        SrcSeek(c, 0);
        if (OpenMp3Acm(c) == -1) return -1;
      }
    }
  }
  c->open = 0;
  c->endReached = 0;
  c->work = c->workSize > 0 ? static_cast<std::uint8_t*>(ENGINE_ALLOC(c->workSize)) : nullptr;
  if (c->work == nullptr) {
    c->open = 1;
    CloseConverter(c);
    return -1;
  }
  c->held = c->readOffset = c->pcmPosition = 0;
  c->open = 1;
  return 0;
}

int ConverterRead(SoundConverter* c, void* destination, int bytes) {
  if (c == nullptr || c->open != 1) return -1;
  if (c->endReached == 1) return 0;
  auto* out = static_cast<std::uint8_t*>(destination);
  int copied = 0;
  while (bytes > 0) {
    if (c->held == 0) {
      c->readOffset = 0;
      int refused = 0;
      if (c->kind == kConverterPcmWav) {
        const int left = c->dataSize - (SrcTell(c) - c->dataStart);
        const int want = std::min(c->workSize, left);
        const int got = want > 0 ? SrcRead(c, c->work, want) : 0;
        c->held = got - got % c->outputFormat.blockAlign;
        refused = c->held <= 0;
      } else if (c->kind == kConverterAcm) {
        refused = AcmConvertStep(c) == -1;
      } else {
        refused = OggReadPcm(c) == -1;
      }
      if (refused) {
        c->held = 0;
        c->endReached = 1;
        return copied;
      }
    }
    const int n = std::min(bytes, c->held);
    std::memcpy(out + copied, c->work + c->readOffset, static_cast<std::size_t>(n));
    c->pcmPosition += n;
    c->readOffset += n;
    c->held -= n;
    copied += n;
    bytes -= n;
  }
  return copied;
}

int ConverterSeek(SoundConverter* c, int frame) {
  if (c == nullptr || c->open != 1) return -1;
  const long long target = static_cast<long long>(frame) * c->outputFormat.blockAlign;
  if (target - c->pcmPosition < 16 && c->pcmPosition - target < 16) return 0;
  if (target < 0 || target > INT_MAX) return -1;
  const int t = static_cast<int>(target);
  if (c->kind == kConverterPcmWav) {
    SrcSeek(c, c->dataStart + std::min(t, c->dataSize));
    c->pcmPosition = t;
    c->held = c->readOffset = 0;
  } else if (c->kind == kConverterAcm) {
    if (t < c->pcmPosition) {
      std::swap(c->acmMain, c->acmSpare);
      c->encodedPosition = 0;
      AcmStreamClose(c->acmSpare);
      c->acmSpare = AcmStreamOpen(c->acmSourceFormat, c->acmSourceFormatSize, c->outputFormat);
      c->pcmPosition = c->held = c->readOffset = 0;
    }
    for (;;) {
      if (t < c->pcmPosition + c->held) {
        const int skip = t - c->pcmPosition;
        c->readOffset += skip;
        c->held -= skip;
        c->pcmPosition = t;
        break;
      }
      c->pcmPosition += c->held;
      c->held = c->readOffset = 0;
      if (AcmConvertStep(c) == -1) {
        c->held = 0;
        break;
      }
    }
  } else {
    OggPcmSeek(c, frame);
  }
  c->endReached = 0;
  return 0;
}

int ConverterPcmSize(SoundConverter* c) {
  if (c == nullptr) return -1;
  if (c->kind == kConverterPcmWav) return c->dataSize;
  if (c->kind == kConverterAcm) {
    if (c->totalFrames >= 0) return c->outputFormat.blockAlign * c->totalFrames;
    return AcmStreamSize(c->acmMain, c->dataSize);
  }
  return OggPcmTotal(c);
}

void GetConverterFormat(const SoundConverter* c, WaveFormatEx* out) { *out = c->outputFormat; }

int CloseConverter(SoundConverter* c) {
  if (c == nullptr || c->open != 1) return -1;
  if (c->work != nullptr) MemFree(c->work);
  c->work = nullptr;
  if (c->kind == kConverterAcm) FreeAcm(c);
  if (c->kind == kConverterOgg) OggStreamClose(c);
  c->open = 0;
  return 0;
}

int DecodeAllToPcm(SoundConverter* c, WaveFormatEx* format, void** pcm, int* size) {
  *pcm = nullptr;
  *size = 0;
  const int total = ConverterPcmSize(c);
  if (total < 0) return -1;
  auto* block = static_cast<std::uint8_t*>(ENGINE_ALLOC(total > 0 ? total : 1));
  if (block == nullptr) return -1;
  ConverterSeek(c, 0);
  int got;
  if (c->kind == kConverterPcmWav) {
    SrcSeek(c, c->dataStart);
    got = SrcRead(c, block, total);
  } else {
    got = ConverterRead(c, block, total);
  }
  // A decoder that delivers less than it announced leaves silence behind what it gave.
  if (got < 0) got = 0;
  std::memset(block + got, c->outputFormat.bitsPerSample == 8 ? 0x80 : 0, static_cast<std::size_t>(total - got));
  *format = c->outputFormat;
  *pcm = block;
  *size = total;
  return 0;
}

int LoadFileToMemory(const char* name, void** data, int* size) {
  const StreamHandle file = FileOpen(name, 0, 1);
  if (file == 0) return LogPrintf("右記のファイルのオープンに失敗しました：%s", name);
  FileSeek(file, 0, 2);
  const int length = FileTell(file);
  FileSeek(file, 0, 0);
  void* block = length >= 0 ? ENGINE_ALLOC(length > 0 ? length : 1) : nullptr;
  if (block == nullptr) {
    FileClose(file);
    return LogPrintf("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", name);
  }
  FileRead(block, length, 1, file);
  FileClose(file);
  *data = block;
  *size = length;
  return 0;
}

int ReadWholeSource(const StreamSource* source, void** data, int* size) {
  source->functions.seek(source->handle, 0, 2);
  const int length = source->functions.tell(source->handle);
  source->functions.seek(source->handle, 0, 0);
  void* block = length >= 0 ? ENGINE_ALLOC(length > 0 ? length : 1) : nullptr;
  if (block == nullptr) return WriteLog("ストリームの読み込みに必要なメモリの確保に失敗しました");
  if (length > 0) source->functions.read(block, length, 1, source->handle);
  *data = block;
  *size = length;
  return 0;
}

void FillWavHeader(std::uint8_t* out, const WaveFormatEx* format, int formatSize, std::uint32_t pcmSize) {
  std::uint8_t fmt[platform::kWaveFormatBytes];
  platform::WaveFormatToBytes(*format, fmt);
  std::memcpy(out, "RIFF", 4);
  Put32(out + 4, static_cast<std::uint32_t>(formatSize) + pcmSize + 20);
  std::memcpy(out + 8, "WAVEfmt ", 8);
  Put32(out + 16, static_cast<std::uint32_t>(formatSize));
  std::memcpy(out + 20, fmt, static_cast<std::size_t>(formatSize));
  std::memcpy(out + 20 + formatSize, "data", 4);
  Put32(out + 24 + formatSize, pcmSize);
}

int BuildWavImage(void** out, int* outSize, const WaveFormatEx* format, int formatSize, const void* pcm,
                  int pcmSize) {
  if (formatSize < 16 || formatSize > platform::kWaveFormatBytes || pcmSize < 0) return -1;
  const int total = formatSize + pcmSize + 28;
  auto* block = static_cast<std::uint8_t*>(ENGINE_ALLOC(total));
  if (block == nullptr) return -1;
  FillWavHeader(block, format, formatSize, static_cast<std::uint32_t>(pcmSize));
  if (pcmSize > 0) std::memcpy(block + 28 + formatSize, pcm, static_cast<std::size_t>(pcmSize));
  *out = block;
  *outSize = total;
  return 0;
}
