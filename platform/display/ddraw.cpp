#include "platform/display/ddraw.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/base/clock.h"
#include "platform/display/headless_display.h"

namespace platform::dd {
namespace {

constexpr std::uint64_t kFrameNs = 16666667;  // 60 Hz
constexpr int kLinesPerFrame = 525;
constexpr int kVisibleLines = 480;

std::mutex g_hookMutex;
PresentHook g_hook;
std::function<bool(int, int, int, int)> g_modeFilter;
bool g_createFails = false;
std::atomic<std::uint64_t> g_vblankWaits{0};
std::atomic<std::uint64_t> g_presented{0};

int BytesOf(const PixelFormat& f) { return static_cast<int>((f.bitCount + 7) / 8); }

std::uint32_t LoadPixel(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, static_cast<std::size_t>(bytes));
  return v;
}

void StorePixel(std::uint8_t* p, int bytes, std::uint32_t v) { std::memcpy(p, &v, static_cast<std::size_t>(bytes)); }

// Scales a masked channel to 8 bits.
std::uint32_t Channel8(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const std::uint32_t m = mask >> shift;
  const std::uint32_t c = (value & mask) >> shift;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(c) * 255 + m / 2) / m);
}

std::uint32_t ToRgb(std::uint32_t v, const PixelFormat& f) {
  return (Channel8(v, f.maskR) << 16) | (Channel8(v, f.maskG) << 8) | Channel8(v, f.maskB);
}

bool Intersect(Rect* r, const Rect& bounds) {
  r->left = std::max(r->left, bounds.left);
  r->top = std::max(r->top, bounds.top);
  r->right = std::min(r->right, bounds.right);
  r->bottom = std::min(r->bottom, bounds.bottom);
  return r->left < r->right && r->top < r->bottom;
}

std::uint64_t Phase() { return NowNanoseconds() % kFrameNs; }

}  // namespace

PixelFormat RgbFormat(int bits) {
  if (bits == 16) return PixelFormat{32, kPfRgb, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
  return PixelFormat{32, kPfRgb, 0, static_cast<std::uint32_t>(bits), 0xFF0000, 0xFF00, 0xFF, 0};
}

PixelFormat ZBufferFormat16() { return PixelFormat{32, kPfZBuffer, 0, 16, 0xFFFF, 0, 0, 0}; }

// ---- Surface ----------------------------------------------------------------------------------------------------

Surface::~Surface() = default;

Result Surface::Lock(const Rect* rect, std::uint32_t, std::uint8_t** pixels, int* pitch) {
  if (lost_) return kErrSurfaceLost;
  Rect r = rect != nullptr ? *rect : Rect{0, 0, width_, height_};
  if (r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_ || r.left > r.right || r.top > r.bottom)
    return kErrInvalidRect;
  ++lockCount_;
  *pixels = pixels_.data() + static_cast<std::ptrdiff_t>(r.top) * pitch_ +
            static_cast<std::ptrdiff_t>(r.left) * BytesOf(format_);
  *pitch = pitch_;
  return kOk;
}

Result Surface::Unlock() {
  if (lockCount_ == 0) return kErrNotLocked;
  --lockCount_;
  return kOk;
}

Result Surface::Blt(const Rect* destRect, Surface* source, const Rect* srcRect, std::uint32_t flags,
                    std::uint32_t fillValue) {
  if (lost_ || (source != nullptr && source->lost_)) return kErrSurfaceLost;
  const int bytes = BytesOf(format_);
  const Rect whole{0, 0, width_, height_};
  const Rect dest = destRect != nullptr ? *destRect : whole;
  if (dest.left > dest.right || dest.top > dest.bottom) return kErrInvalidRect;
  Rect clip = whole;
  // The clipper keeps a blit onto the primary inside its window's client area.
  if (clipper_ != nullptr && clipper_->Window() != 0 && (caps_ & kCapsPrimarySurface) != 0) {
    platform::Rect client{};
    int x = 0, y = 0;
    if (GetClientRect(clipper_->Window(), &client) && ClientToScreen(clipper_->Window(), &x, &y)) {
      Rect c{x, y, x + client.right, y + client.bottom};
      if (!Intersect(&clip, c)) return kOk;
    }
  }
  Rect d = dest;
  if ((flags & (kBltColorFill | kBltDepthFill)) != 0) {
    if (Intersect(&d, clip)) {
      for (int yy = d.top; yy < d.bottom; ++yy) {
        std::uint8_t* p = pixels_.data() + static_cast<std::ptrdiff_t>(yy) * pitch_ + static_cast<std::ptrdiff_t>(d.left) * bytes;
        for (int xx = d.left; xx < d.right; ++xx, p += bytes) StorePixel(p, bytes, fillValue);
      }
    }
    if ((caps_ & kCapsPrimarySurface) != 0) Present();
    return kOk;
  }
  if (source == nullptr) return kErrInvalidParams;
  if (BytesOf(source->format_) != bytes) return kErrInvalidParams;
  const Rect src = srcRect != nullptr ? *srcRect : Rect{0, 0, source->width_, source->height_};
  if (src.left < 0 || src.top < 0 || src.right > source->width_ || src.bottom > source->height_ ||
      src.left >= src.right || src.top >= src.bottom)
    return kErrInvalidRect;
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  const int sw = src.right - src.left, sh = src.bottom - src.top;
  if (dw == 0 || dh == 0) return kOk;
  const bool keyed = (flags & kBltKeySrc) != 0 && source->hasKey_;
  const std::uint32_t keyMask = source->format_.maskR | source->format_.maskG | source->format_.maskB;
  const std::uint32_t key = source->keyLow_ & (keyMask != 0 ? keyMask : 0xFFFFFFFFu);
  if (!Intersect(&d, clip)) return kOk;
  const bool same = dw == sw && dh == sh && !keyed && source != this;
  for (int yy = d.top; yy < d.bottom; ++yy) {
    const int sy = src.top + static_cast<int>(static_cast<std::int64_t>(yy - dest.top) * sh / dh);
    std::uint8_t* out = pixels_.data() + static_cast<std::ptrdiff_t>(yy) * pitch_ + static_cast<std::ptrdiff_t>(d.left) * bytes;
    const std::uint8_t* row = source->pixels_.data() + static_cast<std::ptrdiff_t>(sy) * source->pitch_;
    if (same) {
      std::memcpy(out, row + static_cast<std::ptrdiff_t>(src.left + (d.left - dest.left)) * bytes,
                  static_cast<std::size_t>(d.right - d.left) * static_cast<std::size_t>(bytes));
      continue;
    }
    for (int xx = d.left; xx < d.right; ++xx, out += bytes) {
      const int sx = src.left + static_cast<int>(static_cast<std::int64_t>(xx - dest.left) * sw / dw);
      const std::uint32_t v = LoadPixel(row + static_cast<std::ptrdiff_t>(sx) * bytes, bytes);
      if (keyed && (v & (keyMask != 0 ? keyMask : 0xFFFFFFFFu)) == key) continue;
      StorePixel(out, bytes, v);
    }
  }
  if ((caps_ & kCapsPrimarySurface) != 0) Present();
  return kOk;
}

Result Surface::BltFast(int x, int y, Surface* source, const Rect* srcRect, std::uint32_t flags) {
  if (source == nullptr) return kErrInvalidParams;
  const Rect src = srcRect != nullptr ? *srcRect : Rect{0, 0, source->width_, source->height_};
  // BltFast does not clip: the rectangle must fit.
  if (x < 0 || y < 0 || x + (src.right - src.left) > width_ || y + (src.bottom - src.top) > height_)
    return kErrInvalidRect;
  const Rect dest{x, y, x + (src.right - src.left), y + (src.bottom - src.top)};
  Clipper* saved = clipper_;
  clipper_ = nullptr;
  const Result r = Blt(&dest, source, &src, (flags & kBltFastSrcColorKey) != 0 ? kBltKeySrc : 0, 0);
  clipper_ = saved;
  return r;
}

Result Surface::Flip(Surface*, std::uint32_t flags) {
  if (lost_) return kErrSurfaceLost;
  if (chain_.empty()) return kErrUnsupported;
  if ((flags & kFlipNoVSync) == 0 && owner_ != nullptr) owner_->WaitForVerticalBlank();
  // The buffers rotate: the primary shows the first back buffer, each back buffer takes the next one's pixels.
  std::vector<std::uint8_t> shown = std::move(chain_.front()->pixels_);
  for (std::size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->pixels_ = std::move(chain_[i + 1]->pixels_);
  chain_.back()->pixels_ = std::move(pixels_);
  pixels_ = std::move(shown);
  Present();
  return kOk;
}

Result Surface::SetColorKey(std::uint32_t low, std::uint32_t high) {
  hasKey_ = true;
  keyLow_ = low;
  keyHigh_ = high;
  return kOk;
}

Result Surface::Restore() {
  lost_ = false;
  return kOk;
}

Result Surface::AddAttachedSurface(Surface* surface) {
  if (surface == nullptr || attached_ != nullptr) return kErrInvalidParams;
  attached_ = surface;
  return kOk;
}

Result Surface::DeleteAttachedSurface(Surface* surface) {
  if (surface == nullptr || attached_ != surface) return kErrInvalidParams;
  attached_ = nullptr;
  return kOk;
}

Result Surface::SetClipper(Clipper* clipper) {
  clipper_ = clipper;
  return kOk;
}

void Surface::Present() {
  const bool exclusive = owner_ != nullptr && owner_->Exclusive();
  Rect area{0, 0, width_, height_};
  WindowHandle window = owner_ != nullptr ? owner_->CooperativeWindow() : 0;
  if (!exclusive && clipper_ != nullptr && clipper_->Window() != 0) {
    window = clipper_->Window();
    platform::Rect client{};
    int x = 0, y = 0;
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &x, &y)) return;
    area = Rect{x, y, x + client.right, y + client.bottom};
  }
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  // One frame buffer reused between presents (presents come from the thread that owns the window).
  static thread_local std::vector<std::uint32_t> frame;
  frame.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  const int bytes = BytesOf(format_);
  const bool xrgb = bytes == 4 && format_.maskR == 0xFF0000 && format_.maskG == 0xFF00 && format_.maskB == 0xFF;
  for (int y = 0; y < h; ++y) {
    const int sy = area.top + y;
    if (sy < 0 || sy >= height_) continue;
    const int x0 = std::max(area.left, 0), x1 = std::min(area.right, width_);
    if (x0 >= x1) continue;
    const std::uint8_t* p = pixels_.data() + static_cast<std::ptrdiff_t>(sy) * pitch_ + static_cast<std::ptrdiff_t>(x0) * bytes;
    std::uint32_t* out = frame.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + (x0 - area.left);
    if (xrgb) {
      const int n = x1 - x0;
      for (int x = 0; x < n; ++x) {
        std::uint32_t v;
        std::memcpy(&v, p + static_cast<std::ptrdiff_t>(x) * 4, 4);
        out[x] = v & 0xFFFFFFu;
      }
    } else {
      for (int x = x0; x < x1; ++x, p += bytes) *out++ = ToRgb(LoadPixel(p, bytes), format_);
    }
  }
  ++g_presented;
  PresentHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_hook;
  }
  if (hook) {
    hook(Frame{window, w, h, frame.data()});
  } else {
    headless::StoreFrame(window, w, h, frame.data());
  }
}

// ---- DirectDraw -------------------------------------------------------------------------------------------------

DirectDraw::DirectDraw() = default;
DirectDraw::~DirectDraw() = default;

Result DirectDraw::SetCooperativeLevel(WindowHandle window, std::uint32_t flags) {
  if ((flags & kSclExclusive) != 0 && (flags & kSclFullScreen) == 0) return kErrInvalidParams;
  window_ = window;
  level_ = flags;
  return kOk;
}

Result DirectDraw::SetDisplayMode(int width, int height, int bits, int refresh, std::uint32_t) {
  if (!Exclusive()) return kErrGeneric;
  if (bits != 16 && bits != 32) return kErrUnsupportedMode;
  if (g_modeFilter ? !g_modeFilter(width, height, bits, refresh) : (width < 640 || height < 480))
    return kErrUnsupportedMode;
  mode_ = DisplayMode{width, height, refresh, RgbFormat(bits)};
  modeSet_ = true;
  return kOk;
}

Result DirectDraw::RestoreDisplayMode() {
  modeSet_ = false;
  return kOk;
}

Result DirectDraw::GetDisplayMode(DisplayMode* mode) const {
  if (modeSet_) {
    *mode = mode_;
    return kOk;
  }
  const DesktopInfo d = GetDesktopInfo();
  *mode = DisplayMode{d.width, d.height, 0, RgbFormat(d.bits)};
  return kOk;
}

Result DirectDraw::CreateSurface(const SurfaceDesc& desc, Surface** out) {
  *out = nullptr;
  DisplayMode mode{};
  GetDisplayMode(&mode);
  const bool primary = (desc.caps & kCapsPrimarySurface) != 0;
  const int w = primary ? mode.width : desc.width, h = primary ? mode.height : desc.height;
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return kErrInvalidParams;
  const PixelFormat format = desc.pixelFormat.size != 0 ? desc.pixelFormat : mode.format;
  if (format.bitCount != 8 && format.bitCount != 16 && format.bitCount != 24 && format.bitCount != 32)
    return kErrInvalidParams;
  auto make = [&](std::uint32_t caps) {
    std::unique_ptr<Surface> s(new Surface());
    s->owner_ = this;
    s->width_ = w;
    s->height_ = h;
    s->format_ = format;
    s->pitch_ = (w * BytesOf(format) + 3) / 4 * 4;
    s->caps_ = (caps & ~kCapsVideoMemory) | kCapsSystemMemory;
    s->pixels_.assign(static_cast<std::size_t>(s->pitch_) * static_cast<std::size_t>(h), 0);
    return s;
  };
  std::unique_ptr<Surface> s;
  try {
    s = make(desc.caps);
    if (primary && (desc.caps & kCapsFlip) != 0) {
      if (desc.backBufferCount < 1 || desc.backBufferCount > 3) return kErrInvalidParams;
      for (int i = 0; i < desc.backBufferCount; ++i) {
        std::uint32_t caps = (desc.caps & ~kCapsPrimarySurface) | (i == 0 ? kCapsBackBuffer : 0);
        s->chain_.push_back(make(caps));
      }
      s->backBuffer_ = s->chain_.front().get();
    }
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
  *out = s.get();
  surfaces_.push_back(std::move(s));
  return kOk;
}

void DirectDraw::ReleaseSurface(Surface* surface) {
  if (surface == nullptr) return;
  for (auto& s : surfaces_)
    if (s->attached_ == surface) s->attached_ = nullptr;
  std::erase_if(surfaces_, [surface](const std::unique_ptr<Surface>& s) { return s.get() == surface; });
}

Result DirectDraw::CreateClipper(std::unique_ptr<Clipper>* out) {
  *out = std::make_unique<Clipper>();
  return kOk;
}

Result DirectDraw::GetCaps(Caps* caps) const {
  // Overlay stretch factors that make the overlay probe unnecessary: no overlays here.
  *caps = Caps{1000, 2000, 0x1000000, 0x1000000};
  return kOk;
}

Result DirectDraw::GetAvailableVidMem(std::uint32_t* total, std::uint32_t* free) const {
  if (total != nullptr) *total = 0x1000000;
  if (free != nullptr) *free = 0x1000000;
  return kOk;
}

Result DirectDraw::QueryDirect3D(void** out) const {
  *out = nullptr;
  return kErrNoInterface;
}

Result DirectDraw::GetVerticalBlankStatus(bool* inBlank) const {
  *inBlank = static_cast<int>(Phase() * kLinesPerFrame / kFrameNs) >= kVisibleLines;
  return kOk;
}

Result DirectDraw::GetScanLine(int* line) const {
  *line = static_cast<int>(Phase() * kLinesPerFrame / kFrameNs);
  return kOk;
}

Result DirectDraw::WaitForVerticalBlank() const {
  ++g_vblankWaits;
  const std::uint64_t blankStart = kFrameNs * kVisibleLines / kLinesPerFrame + 1;
  const std::uint64_t phase = Phase();
  const std::uint64_t wait = phase < blankStart ? blankStart - phase : kFrameNs - phase + blankStart;
  // Whole milliseconds: the blank (about 1.4 ms) is longer than the rounding.
  SleepMilliseconds(static_cast<std::uint32_t>((wait + 999999) / 1000000));
  return kOk;
}

Result CreateDirectDraw(std::unique_ptr<DirectDraw>* out) {
  if (g_createFails) return kErrGeneric;
  *out = std::make_unique<DirectDraw>();
  return kOk;
}

void SetPresentHook(PresentHook hook) {
  std::lock_guard lock(g_hookMutex);
  g_hook = std::move(hook);
}

void SetModeFilter(std::function<bool(int, int, int, int)> filter) { g_modeFilter = std::move(filter); }
void SetCreateFails(bool fails) { g_createFails = fails; }
std::uint64_t VerticalBlankWaits() { return g_vblankWaits.load(); }
std::uint64_t PresentedFrames() { return g_presented.load(); }

}  // namespace platform::dd
