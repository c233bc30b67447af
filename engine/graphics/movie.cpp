#include "engine/graphics/movie.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/temp_file.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/present.h"
#include "engine/graphics/surface2d.h"
#include "engine/sound/sound.h"
#include "platform/audio/audio.h"
#include "platform/base/clock.h"
#include "platform/files/file.h"
#include "platform/files/path.h"
#include "platform/movie/movie.h"

namespace mv = platform::movie;

struct MovieData {
  std::uint32_t Id;
  std::unique_ptr<mv::MovieStream> Stream;
  platform::SoundBuffer* Sound;    // the sound track in the engine's mixer, or null
  std::uint32_t SoundBytes;
  std::int64_t TimePerFrame;
  std::uint64_t LastPresentCount;  // present count at the last frame taken
  std::int64_t LastUpdateTime;     // ms clock at the last frame taken, -1 none
  int Width, Height;
  int AlphaMovie;  // the right half of each frame is the alpha of the left half
  int Playing;
  int Mode;
  std::int64_t KeptTime;  // stream time noted at a release
  int TempFile;           // FileName is a temporary copy, deleted at close
  char FileName[260];
  std::vector<std::uint8_t> Decoded;  // the stream's frame, X8R8G8B8
  std::vector<std::uint8_t> Frame;    // the last frame taken, in the sample format
  GraphImage FrameImage;              // Frame as an image (its pixels borrowed)
};

int g_MovieAlphaSetting = 0;

namespace {

MovieData* g_movies[kMaxMovies];
int g_movieCount = 0;
std::uint32_t g_nextMovieId = 0;

constexpr std::uint32_t kCopyPiece = 0x100000;

void StoreName(MovieData* m, const char* name) {
  const std::size_t n = std::min(std::strlen(name), sizeof m->FileName - 1);
  std::memcpy(m->FileName, name, n);
  m->FileName[n] = '\0';
}

int HandleOf(int slot) {
  return static_cast<int>(((g_movies[slot]->Id | (static_cast<std::uint32_t>(kMovieHandleType) >> 16)) << 16) |
                          static_cast<std::uint32_t>(slot));
}

// Copies an engine file (archive members included) into a new temporary file; its engine path goes to out.
bool CopyToTempFile(const char* name, char* out) {
  const StreamHandle in = FileOpen(name);
  if (in == 0) return false;
  const platform::FileHandle temp = CreateTempFile(out);
  if (temp == platform::kInvalidFileHandle) {
    FileClose(in);
    return false;
  }
  std::vector<std::uint8_t> buffer(kCopyPiece);
  while (true) {
    const int got = FileRead(buffer.data(), 1, static_cast<int>(kCopyPiece), in);
    if (got <= 0) break;
    std::uint32_t done = 0;
    if (!platform::WriteToFile(temp, buffer.data(), static_cast<std::uint32_t>(got), &done) ||
        done != static_cast<std::uint32_t>(got))
      break;
  }
  FileClose(in);
  platform::CloseFile(temp);
  return true;
}

// The sound track as a buffer of the engine's sound device (none while sound is not started).
void MakeSoundBuffer(MovieData* m) {
  const std::vector<std::int16_t>& pcm = m->Stream->Sound();
  if (g_Sound.device == nullptr || pcm.empty()) return;
  const platform::WaveFormat format{platform::kWaveFormatPcm, 2, 44100, 44100 * 4, 4, 16, 0};
  const std::uint32_t bytes = static_cast<std::uint32_t>(pcm.size() * sizeof(std::int16_t));
  const platform::SoundBufferDesc desc{36, platform::kDsbCapsCtrlVolume | platform::kDsbCapsGlobalFocus |
                                               platform::kDsbCapsGetCurrentPosition2,
                                       bytes, &format};
  platform::SoundBuffer* buffer = nullptr;
  if (!platform::AudioSucceeded(g_Sound.device->CreateSoundBuffer(&desc, &buffer)) || buffer == nullptr) return;
  void* p1 = nullptr;
  void* p2 = nullptr;
  std::uint32_t s1 = 0, s2 = 0;
  if (platform::AudioSucceeded(buffer->Lock(0, bytes, &p1, &s1, &p2, &s2, 0))) {
    std::memcpy(p1, pcm.data(), s1);
    buffer->Unlock(p1, s1, p2, s2);
  }
  m->Sound = buffer;
  m->SoundBytes = bytes;
}

void ReleaseStream(MovieData* m) {
  if (m->Sound != nullptr) m->Sound->Release();
  m->Sound = nullptr;
  m->Stream.reset();
}

// The sound follows the stream: positioned at the stream time and playing while it runs.
void SyncSound(MovieData* m) {
  if (m->Sound == nullptr) return;
  if (!m->Stream->Running()) {
    m->Sound->Stop();
    return;
  }
  const std::int64_t frames = m->Stream->GetTime() * 44100 / 10000000;
  const std::int64_t offset = frames * 4;
  if (offset >= m->SoundBytes) {
    m->Sound->Stop();
    return;
  }
  m->Sound->SetCurrentPosition(static_cast<std::uint32_t>(offset));
  m->Sound->Play(0);
}

// Opens the record's file: the stored name directly, else (once) through a temporary copy. Null message on success.
const char* OpenStream(MovieData* m, std::string* message) {
  if (mv::OpenMovieStream(platform::ToNativePath(m->FileName), &m->Stream) == mv::kOk) return nullptr;
  *message = std::string("ファイル:") + m->FileName + " が開けませんでした";
  if (m->TempFile == 1) return message->c_str();
  char temp[260] = {};
  if (!CopyToTempFile(m->FileName, temp)) return message->c_str();
  if (mv::OpenMovieStream(platform::ToNativePath(temp), &m->Stream) != mv::kOk) {
    platform::DeleteFileEngine(temp);
    return message->c_str();
  }
  StoreName(m, temp);
  m->TempFile = 1;
  return nullptr;
}

// The format frames are kept in: mode 2 24-bit RGB; otherwise the screen's format, or on a software screen deeper
// than 8 bits the standard format of the requested depth. (No overlay format exists, so mode 1 takes the latter.)
void ChooseSampleFormat(MovieData* m, ColorData* out) {
  if (m->Mode == 2) {
    CreateColorData(out, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    return;
  }
  const ColorData* screen = GetScreenColorData();
  if ((GetSoftwareRenderFlag() == 1 && GetScreenColorBitDepth() > 8) || screen == nullptr ||
      screen->bitsPerPixel <= 8) {
    *out = *GetStandardColorData(GetScreenColorBitDepth() == 16 ? 0 : 1, 0, 0);
    return;
  }
  *out = *screen;
}

void MakeFrameImage(MovieData* m) {
  GraphImage& image = m->FrameImage;
  ChooseSampleFormat(m, &image.colorData);
  image.width = m->Width;
  image.height = m->Height;
  image.pitch = (image.colorData.bytesPerPixel * m->Width + 3) & ~3;
  m->Frame.assign(static_cast<std::size_t>(image.pitch) * m->Height, 0);
  image.pixels = m->Frame.data();
  m->Decoded.assign(static_cast<std::size_t>(m->Width) * m->Height * 4, 0);
}

// The decoded frame into the frame buffer, in the sample format.
void CopyDecodedFrame(MovieData* m) {
  ColorData decoded{};
  CreateColorData(&decoded, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
  const ImageRect all{0, 0, m->Width, m->Height};
  ConvertTransferRect(m->Frame.data(), m->FrameImage.pitch, &m->FrameImage.colorData, m->Decoded.data(), m->Width * 4,
                      &decoded, nullptr, 0, nullptr, 0, 0, &all, 0, 0, 0, 0, 0, 0, 0);
}

// With an alpha movie, the left half of the frame is the picture and the right half its alpha (same rows, starting
// half a row in).
void SplitAlphaHalf(const MovieData* m, GraphImage* colour, GraphImage* alpha) {
  *colour = m->FrameImage;
  *alpha = m->FrameImage;
  colour->width = alpha->width = m->Width / 2;
  alpha->pixels = static_cast<std::uint8_t*>(m->FrameImage.pixels) +
                  static_cast<std::size_t>(m->Width / 2) * m->FrameImage.colorData.bytesPerPixel;
}

void TakeFrame(MovieData* m, int graphHandle) {
  const GraphData* g = GetGraphData(graphHandle);
  if (g == nullptr) return;
  CopyDecodedFrame(m);
  if (g->Flags.Texture != 0) {
    GraphImage colour{}, alpha{};
    SplitAlphaHalf(m, &colour, &alpha);
    if (m->AlphaMovie == 1) {
      TransferImageToGraphTextures(g->SourceX, g->SourceY, g, &colour, &alpha);
    } else {
      TransferImageToGraphTextures(g->SourceX, g->SourceY, g, &m->FrameImage, nullptr);
    }
  } else {
    TransferMovieFrameToSurface2D(m, g);
  }
  m->LastPresentCount = GetPresentCount();
  m->LastUpdateTime = platform::MillisecondClock();
}

MovieData* MovieOfGraph(int graphHandle, int* result) {
  const GraphData* g = GetGraphData(graphHandle);
  *result = g == nullptr ? -1 : 0;
  if (g == nullptr || g->Movie == -1) return nullptr;
  MovieData* m = GetMovieData(g->Movie);
  if (m == nullptr) *result = -1;
  return m;
}

}  // namespace

MovieData* GetMovieData(int handle) {
  if (handle < 0 || (handle & 0x78000000) != kMovieHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxMovies || g_movies[slot] == nullptr) return nullptr;
  if (((handle >> 16) & 0x7FF) != static_cast<int>(g_movies[slot]->Id)) return nullptr;
  return g_movies[slot];
}

const char* MovieFileName(const MovieData* movie) { return movie->FileName; }
const GraphImage* MovieFrameImage(const MovieData* movie) { return &movie->FrameImage; }
int MovieMode(const MovieData* movie) { return movie->Mode; }
int MovieAlphaFlag(const MovieData* movie) { return movie->AlphaMovie; }

// Every tile, not only the first: a frame larger than one tile would otherwise show in part.
int TransferMovieFrameToSurface2D(const MovieData* movie, const GraphData* graph) {
  if (movie->AlphaMovie == 1) {
    GraphImage colour{}, alpha{};
    SplitAlphaHalf(movie, &colour, &alpha);
    return TransferImageToAllTiles(&colour, &alpha, graph->SourceX, graph->SourceY, graph);
  }
  return TransferImageToAllTiles(&movie->FrameImage, nullptr, graph->SourceX, graph->SourceY, graph);
}

int OpenMovieToGraph(const char* name, int* width, int* height, int mode) {
  int slot = 0;
  while (slot < kMaxMovies && g_movies[slot] != nullptr) ++slot;
  if (slot == kMaxMovies || name == nullptr) return -1;
  auto* m = new (std::nothrow) MovieData{};
  if (m == nullptr) return WriteLog("メモリの確保に失敗しました in OpenMovieToGraph");
  StoreName(m, name);
  m->AlphaMovie = g_MovieAlphaSetting == 1 ? 1 : 0;
  std::string message;
  const char* failure = OpenStream(m, &message);
  if (failure == nullptr && (m->Stream->Width() == 0 || m->Stream->Height() == 0))
    failure = "動画ファイルではない可能性があります！";
  if (failure != nullptr) {
    WriteLog(failure);
    ReleaseStream(m);
    delete m;
    return WriteLog("ムービーファイルオープン処理時にエラーが発生しました");
  }
  // Without an overlay the frame goes into the graphic as in mode 0.
  m->Mode = mode == 1 ? 0 : mode;
  m->Width = m->Stream->Width();
  m->Height = m->Stream->Height();
  MakeFrameImage(m);
  m->TimePerFrame = m->Stream->TimePerFrame();
  m->LastPresentCount = ~std::uint64_t{0};
  m->LastUpdateTime = -1;
  MakeSoundBuffer(m);
  if (width != nullptr) *width = m->AlphaMovie == 1 ? m->Width / 2 : m->Width;
  if (height != nullptr) *height = m->Height;
  m->Id = g_nextMovieId;
  g_nextMovieId = (g_nextMovieId + 1) & 0x7FF;
  g_movies[slot] = m;
  ++g_movieCount;
  return HandleOf(slot);
}

int CloseMovie(int graphHandle) {
  const GraphData* g = GetGraphData(graphHandle);
  if (g == nullptr) return -1;
  return g->Movie == -1 ? 0 : CloseMovieHandle(g->Movie);
}

int CloseMovieHandle(int movieHandle) {
  MovieData* m = GetMovieData(movieHandle);
  if (m == nullptr) return -1;
  const int slot = movieHandle & 0xFFFF;
  ReleaseStream(m);
  if (m->TempFile == 1) platform::DeleteFileEngine(m->FileName);
  delete m;
  g_movies[slot] = nullptr;
  --g_movieCount;
  return 0;
}

void CloseAllMovies() {
  for (MovieData*& m : g_movies) {
    if (m == nullptr) continue;
    ReleaseStream(m);
    if (m->TempFile == 1) platform::DeleteFileEngine(m->FileName);
    delete m;
    m = nullptr;
  }
  g_movieCount = 0;
}

int UpdateMovieFrame(int graphHandle, int force) {
  int result = 0;
  MovieData* m = MovieOfGraph(graphHandle, &result);
  if (m == nullptr) return result;
  if (m->Stream == nullptr) return 0;
  if (force == 0) {
    if (m->Playing == 0 || !m->Stream->Running()) return 0;
    const bool samePresent = GetPresentCount() == m->LastPresentCount;
    const std::int64_t since = static_cast<std::int64_t>(platform::MillisecondClock()) - m->LastUpdateTime;
    if (samePresent && since < 18) return 0;
  }
  const mv::Result r = m->Stream->Update(m->Decoded.data(), m->Width * 4, force != 0);
  if (r == mv::kOk) {
    TakeFrame(m, graphHandle);
  } else if (r != mv::kPending) {
    // The end of the stream (or a frame that cannot be read) stops the movie.
    m->Playing = 0;
    if (m->Sound != nullptr) m->Sound->Stop();
  }
  return 0;
}

int PlayMovieGraph(int graphHandle) {
  int result = 0;
  MovieData* m = MovieOfGraph(graphHandle, &result);
  if (m == nullptr) return result;
  if (m->Stream == nullptr || m->Playing == 1) return 0;
  m->Stream->Run();
  SyncSound(m);
  m->Playing = 1;
  return 0;
}

int PauseMovieGraph(int graphHandle) {
  int result = 0;
  MovieData* m = MovieOfGraph(graphHandle, &result);
  if (m == nullptr) return result;
  if (m->Playing == 1 && m->Stream != nullptr) {
    m->Stream->Pause();
    SyncSound(m);
    m->Playing = 0;
  }
  return 0;
}

namespace {
template <typename F>
int ForEachMovieGraph(F f) {
  for (int i = 0; i < g_GraphTable.highMark; ++i) {
    const GraphData* g = g_GraphTable.slots[i];
    if (g != nullptr && g->Movie != -1) f(g_GraphTable.HandleOf(i));
  }
  return 0;
}
}  // namespace

int PlayAllMovieGraph() { return ForEachMovieGraph(PlayMovieGraph); }
int PauseAllMovieGraph() { return ForEachMovieGraph(PauseMovieGraph); }

int ReleaseAllMovieStream() {
  for (MovieData* m : g_movies) {
    if (m == nullptr || m->Stream == nullptr) continue;
    m->KeptTime = m->Stream->GetTime();
    ReleaseStream(m);
  }
  return 0;
}

int ReopenAllMovieStream() {
  for (MovieData* m : g_movies) {
    if (m == nullptr || m->Stream != nullptr) continue;
    std::string message;
    if (OpenStream(m, &message) != nullptr) return -1;
    MakeSoundBuffer(m);
    m->Stream->Seek(m->KeptTime);
    if (m->Playing == 1) m->Stream->Run();
    SyncSound(m);
  }
  return 0;
}

int GetMovieStateToGraph(int graphHandle) {
  int result = 0;
  const MovieData* m = MovieOfGraph(graphHandle, &result);
  return m == nullptr ? result : m->Playing;
}
