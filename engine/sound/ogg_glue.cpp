// Ogg Vorbis through vorbisfile, reading the encoded bytes through the converter's stream source.
#include <vorbis/vorbisfile.h>

#include <new>

#include "engine/sound/sound.h"

namespace {

constexpr int kOggWorkBytes = 4096;

size_t OggRead(void* buffer, size_t itemSize, size_t itemCount, void* dataSource) {
  if (dataSource == nullptr) return static_cast<size_t>(-1);
  auto* source = static_cast<StreamSource*>(dataSource);
  const int items = source->functions.read(buffer, static_cast<int>(itemSize), static_cast<int>(itemCount),
                                           source->handle);
  return items < 0 ? 0 : static_cast<size_t>(items);
}

int OggSeek(void* dataSource, ogg_int64_t offset, int whence) {
  if (dataSource == nullptr) return -1;
  auto* source = static_cast<StreamSource*>(dataSource);
  // The source takes 32-bit offsets: only the low half is passed on.
  return source->functions.seek(source->handle, static_cast<int>(static_cast<std::uint32_t>(offset)), whence);
}

int OggClose(void*) { return 0; }

long OggTell(void* dataSource) {
  if (dataSource == nullptr) return -1;
  auto* source = static_cast<StreamSource*>(dataSource);
  return source->functions.tell(source->handle);
}

}  // namespace

int OggStreamOpen(SoundConverter* c) {
  c->oggOpen = 0;
  if (c->ogg == nullptr) c->ogg = new (std::nothrow) OggVorbis_File{};
  if (c->ogg == nullptr) return -1;
  const ov_callbacks callbacks{OggRead, OggSeek, OggClose, OggTell};
  if (ov_open_callbacks(&c->source, c->ogg, nullptr, 0, callbacks) != 0) {
    delete c->ogg;
    c->ogg = nullptr;
    return -1;
  }
  c->oggOpen = 1;
  const vorbis_info* info = ov_info(c->ogg, -1);
  const int bytes = c->oggBytesPerSample == 1 ? 1 : 2;
  c->oggBytesPerSample = bytes;
  WaveFormatEx& f = c->outputFormat;
  f.formatTag = platform::kWaveFormatPcm;
  f.channels = static_cast<std::uint16_t>(info != nullptr ? info->channels : 0);
  f.samplesPerSec = static_cast<std::uint32_t>(info != nullptr ? info->rate : 0);
  f.blockAlign = static_cast<std::uint16_t>(f.channels * bytes);
  f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
  f.bitsPerSample = static_cast<std::uint16_t>(8 * bytes);
  f.extraSize = 0;
  c->workSize = kOggWorkBytes;
  c->kind = kConverterOgg;
  // Only what the buffers can play is taken (mono or stereo, a sane rate). A chained file whose links differ in
  // rate or channels is refused: its samples would not match the one format it is labelled with.
  bool linksAgree = true;
  for (long link = 1; link < ov_streams(c->ogg) && linksAgree; ++link) {
    const vorbis_info* other = ov_info(c->ogg, static_cast<int>(link));
    linksAgree = other != nullptr && other->channels == f.channels && other->rate == static_cast<long>(f.samplesPerSec);
  }
  if (!linksAgree || f.channels < 1 || f.channels > 2 || f.samplesPerSec < 1000 || f.samplesPerSec > 192000) {
    OggStreamClose(c);
    c->kind = 0;
    return -1;
  }
  return 0;
}

int OggReadPcm(SoundConverter* c) {
  int section = 0;
  for (;;) {
    const long got = ov_read(c->ogg, reinterpret_cast<char*>(c->work), c->workSize, 0, c->oggBytesPerSample,
                             c->oggBytesPerSample != 1 ? 1 : 0, &section);
    if (got == OV_HOLE) continue;  // a gap in the stream: go on with what follows
    if (got <= 0) return -1;
    c->held = static_cast<int>(got);
    return 0;
  }
}

void OggPcmSeek(SoundConverter* c, int frame) {
  ov_pcm_seek(c->ogg, frame);
  c->held = 0;
  c->readOffset = 0;
  c->pcmPosition = frame * c->outputFormat.blockAlign;
}

int OggPcmTotal(SoundConverter* c) {
  const ogg_int64_t total = ov_pcm_total(c->ogg, -1);
  // A frame count whose byte size does not fit a size (a damaged or hostile last page) gives no size.
  const std::uint64_t bytes = static_cast<std::uint64_t>(static_cast<std::uint32_t>(total)) *
                              c->outputFormat.channels * static_cast<std::uint64_t>(c->oggBytesPerSample);
  return bytes > 0x7FFFFFFFu ? -1 : static_cast<int>(bytes);
}

int OggStreamClose(SoundConverter* c) {
  if (c->oggOpen == 1) {
    ov_clear(c->ogg);
    c->oggOpen = 0;
  }
  delete c->ogg;
  c->ogg = nullptr;
  return 0;
}
