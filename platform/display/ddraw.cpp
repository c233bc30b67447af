#include "platform/display/ddraw.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/base/clock.h"
#include "platform/base/pixel_fill.h"
#include "platform/display/headless_display.h"

namespace platform::dd {
namespace {

constexpr std::uint64_t kFrameNs = 16666667;  // 60 Hz
constexpr int kLinesPerFrame = 525;
constexpr int kVisibleLines = 480;

std::mutex g_hookMutex;
PresentHook g_hook;
std::function<void(Surface*, Access, std::uint32_t)> g_beforeRead;  // the 3D device's read-back
std::function<std::shared_ptr<HeldPicture>(Surface*, const Rect&, bool)> g_hold;
std::function<void(Surface* const*, int)> g_flip;  // the 3D device moves its GPU copies along a flip chain
std::function<bool(int, int, int, int)> g_modeFilter;
bool g_createFails = false;
PixelFormat g_format16{};  // size 0: R5G6B5

PixelFormat ModeFormat(int bits) { return bits == 16 && g_format16.size != 0 ? g_format16 : RgbFormat(bits); }
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

// Headless, a picture held outside memory becomes the framebuffer's frame; its pixels are read when a test first
// reads the framebuffer.
void StoreHeldFrame(WindowHandle window, std::shared_ptr<HeldPicture> held) {
  const int w = held->width, h = held->height;
  headless::StoreFrameLater(window, w, h, [held = std::move(held)](std::uint8_t* pixels, int pitch) {
    held->read(pixels, pitch);
  });
}

// Nearest-neighbour scaling of 32-bit rows (the same mapping as a scaled Blt: source index = i * size / new size).
void ScaleRows(const std::uint8_t* from, int fromPitch, int sw, int sh, std::uint32_t* out, int w, int h) {
  std::vector<int> columns(static_cast<std::size_t>(w));
  for (int i = 0; i < w; ++i) columns[static_cast<std::size_t>(i)] = static_cast<int>(static_cast<std::int64_t>(i) * sw / w);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = from + static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(y) * sh / h) * fromPitch;
    for (int i = 0; i < w; ++i) std::memcpy(&out[static_cast<std::size_t>(y) * w + i], row + 4 * columns[static_cast<std::size_t>(i)], 4);
  }
}

}  // namespace

PixelFormat RgbFormat(int bits) {
  if (bits == 8) return PixelFormat{32, kPfRgb | kPfPaletteIndexed8, 0, 8, 0, 0, 0, 0};
  if (bits == 16) return PixelFormat{32, kPfRgb, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
  return PixelFormat{32, kPfRgb, 0, static_cast<std::uint32_t>(bits), 0xFF0000, 0xFF00, 0xFF, 0};
}

PixelFormat ZBufferFormat16() { return PixelFormat{32, kPfZBuffer, 0, 16, 0xFFFF, 0, 0, 0}; }

// ---- Surface ----------------------------------------------------------------------------------------------------
//
// Two kinds of work are put off until something can see their result:
// - a colour or depth fill of a whole unlocked surface is only noted, and written when the pixels are next read or
//   changed (a depth surface that nothing reads is never written);
// - a plain or scaled copy onto the primary is only noted as "this rectangle shows that surface's pixels". Presenting
//   reads the shown pixels straight from the source; the primary's own pixels are written only when something reads
//   or changes the primary, or when the source is about to change. A whole fill of the source (the next frame's
//   clear) then hands the source's buffer to the primary and gives the source the primary's spare one, so the frame
//   is never copied at all. When the source's newest pixels are held outside memory (the 3D device's GPU copy, see
//   SetHoldHook), the primary shows that picture instead and reads it into memory only when its pixels are needed.
// A flip moves the buffers' pixel arrays (and their pending fills) along the chain instead of copying them; the 3D
// device moves its GPU copies with them (SetFlipHook), and a primary whose newest pixels are on the GPU is shown
// from there.

Surface::~Surface() {
  if (g_beforeRead) g_beforeRead(this, Access::kRelease, 0);
  if (shownBy_ != nullptr) shownBy_->SettleShow();
  if (show_.from != nullptr) show_.from->shownBy_ = nullptr;
}

void Surface::SettleFill() {
  if (!fillPending_) return;
  fillPending_ = false;
  FillRect(Rect{0, 0, width_, height_}, fillValue_);
}

void Surface::FillRect(const Rect& r, std::uint32_t value) {
  const int bytes = BytesOf(format_);
  const int w = r.right - r.left;
  if (w <= 0) return;
  std::uint8_t* p = pixels_.data() + static_cast<std::ptrdiff_t>(r.top) * pitch_ + static_cast<std::ptrdiff_t>(r.left) * bytes;
  if (w == width_ && pitch_ == width_ * bytes) {
    FillPixels(p, static_cast<std::int64_t>(r.bottom - r.top) * w, bytes, value);
    return;
  }
  for (int y = r.top; y < r.bottom; ++y, p += pitch_) FillPixels(p, w, bytes, value);
}

// Copies `src` of `source` (pixels, pitch) onto `dest` of this surface, nearest-neighbour when the sizes differ, with
// the destination clipped to `clip`; the key skips source pixels equal to it (under keyMask) when `keyed`.
void Surface::CopyRect(const std::uint8_t* from, int fromPitch, const Rect& src, const Rect& dest, const Rect& clip,
                       bool keyed, std::uint32_t keyMask, std::uint32_t key) {
  Rect d = dest;
  if (!Intersect(&d, clip)) return;
  const int bytes = BytesOf(format_);
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  const int sw = src.right - src.left, sh = src.bottom - src.top;
  const int n = d.right - d.left;
  if (dw == sw && !keyed) {
    for (int yy = d.top; yy < d.bottom; ++yy) {
      const int sy = src.top + static_cast<int>(static_cast<std::int64_t>(yy - dest.top) * sh / dh);
      std::memmove(pixels_.data() + static_cast<std::ptrdiff_t>(yy) * pitch_ + static_cast<std::ptrdiff_t>(d.left) * bytes,
                   from + static_cast<std::ptrdiff_t>(sy) * fromPitch +
                       static_cast<std::ptrdiff_t>(src.left + (d.left - dest.left)) * bytes,
                   static_cast<std::size_t>(n) * static_cast<std::size_t>(bytes));
    }
    return;
  }
  // Source byte offset of each destination column, worked out once.
  std::vector<std::ptrdiff_t> columns(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    columns[static_cast<std::size_t>(i)] =
        static_cast<std::ptrdiff_t>(src.left + static_cast<int>(static_cast<std::int64_t>(d.left + i - dest.left) * sw / dw)) * bytes;
  auto rows = [&](auto pixel) {
    using T = decltype(pixel);
    const std::uint32_t mask = keyMask;
    for (int yy = d.top; yy < d.bottom; ++yy) {
      const int sy = src.top + static_cast<int>(static_cast<std::int64_t>(yy - dest.top) * sh / dh);
      const std::uint8_t* row = from + static_cast<std::ptrdiff_t>(sy) * fromPitch;
      std::uint8_t* out = pixels_.data() + static_cast<std::ptrdiff_t>(yy) * pitch_ + static_cast<std::ptrdiff_t>(d.left) * bytes;
      for (int i = 0; i < n; ++i, out += sizeof(T)) {
        T v;
        std::memcpy(&v, row + columns[static_cast<std::size_t>(i)], sizeof(T));
        if (keyed && (static_cast<std::uint32_t>(v) & mask) == key) continue;
        std::memcpy(out, &v, sizeof(T));
      }
    }
  };
  switch (bytes) {
    case 4: rows(std::uint32_t{}); break;
    case 2: rows(std::uint16_t{}); break;
    case 1: rows(std::uint8_t{}); break;
    default:
      for (int yy = d.top; yy < d.bottom; ++yy) {
        const int sy = src.top + static_cast<int>(static_cast<std::int64_t>(yy - dest.top) * sh / dh);
        const std::uint8_t* row = from + static_cast<std::ptrdiff_t>(sy) * fromPitch;
        std::uint8_t* out = pixels_.data() + static_cast<std::ptrdiff_t>(yy) * pitch_ + static_cast<std::ptrdiff_t>(d.left) * bytes;
        for (int i = 0; i < n; ++i, out += bytes) {
          const std::uint32_t v = LoadPixel(row + columns[static_cast<std::size_t>(i)], bytes);
          if (keyed && (v & keyMask) == key) continue;
          StorePixel(out, bytes, v);
        }
      }
      break;
  }
}

const std::uint8_t* Surface::ShownPixels() {
  if (show_.from != nullptr) return show_.from->pixels_.data();
  if (show_.held != nullptr) {
    // The held picture comes into memory once, the first time something needs its pixels.
    show_.kept.resize(static_cast<std::size_t>(show_.pitch) * static_cast<std::size_t>(show_.held->height));
    show_.held->read(show_.kept.data(), show_.pitch);
    show_.held.reset();
  }
  return show_.kept.data();
}

void Surface::SettleShow() {
  if (!show_.active) return;
  SettleFill();
  if (show_.from != nullptr) show_.from->SettleFill();
  CopyRect(ShownPixels(), show_.pitch, show_.src, show_.dest, show_.dest, false, 0, 0);
  DropShow();
}

void Surface::DropShow() {
  if (show_.from != nullptr) show_.from->shownBy_ = nullptr;
  show_.from = nullptr;
  show_.held.reset();
  show_.active = false;
}

void Surface::BeforeRead(Access access) {
  if (g_beforeRead) g_beforeRead(this, access, 0);
  SettleFill();
  SettleShow();
}

void Surface::BeforeChange() {
  BeforeRead(Access::kChange);
  if (shownBy_ != nullptr) shownBy_->SettleShow();
}

Result Surface::Lock(const Rect* rect, std::uint32_t flags, std::uint8_t** pixels, int* pitch) {
  if (lost_) return kErrSurfaceLost;
  Rect r = rect != nullptr ? *rect : Rect{0, 0, width_, height_};
  if (r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_ || r.left > r.right || r.top > r.bottom)
    return kErrInvalidRect;
  if ((flags & kLockReadOnly) != 0) BeforeRead();
  else BeforeChange();
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

const std::uint8_t* Surface::Pixels() const {
  const_cast<Surface*>(this)->BeforeRead();
  return pixels_.data();
}

// A fill of the whole unlocked surface: noted, not written. When a primary shows this surface's pixels, it takes
// them over (and gives back its spare buffer), so the shown frame stays as it was without a copy.
void Surface::NoteWholeFill(std::uint32_t value) {
  if (g_beforeRead) g_beforeRead(this, Access::kFill, value);
  if (shownBy_ != nullptr) {
    Surface* primary = shownBy_;
    SettleFill();  // what is shown includes a fill still pending here
    std::swap(primary->show_.kept, pixels_);
    primary->show_.from = nullptr;
    shownBy_ = nullptr;
    if (pixels_.size() != primary->show_.kept.size()) pixels_.assign(primary->show_.kept.size(), 0);
  }
  DropShow();
  fillPending_ = true;
  fillValue_ = value;
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
  const bool primary = (caps_ & kCapsPrimarySurface) != 0;
  Rect d = dest;
  if ((flags & (kBltColorFill | kBltDepthFill)) != 0) {
    if (Intersect(&d, clip)) {
      if (d.left == 0 && d.top == 0 && d.right == width_ && d.bottom == height_ && lockCount_ == 0) {
        NoteWholeFill(fillValue);
      } else {
        BeforeChange();
        FillRect(d, fillValue);
      }
    }
    if (primary) Present();
    return kOk;
  }
  if (source == nullptr) return kErrInvalidParams;
  if (BytesOf(source->format_) != bytes) return kErrInvalidParams;
  const Rect src = srcRect != nullptr ? *srcRect : Rect{0, 0, source->width_, source->height_};
  if (src.left < 0 || src.top < 0 || src.right > source->width_ || src.bottom > source->height_ ||
      src.left >= src.right || src.top >= src.bottom)
    return kErrInvalidRect;
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  if (dw == 0 || dh == 0) return kOk;
  const bool keyed = (flags & kBltKeySrc) != 0 && source->hasKey_;
  const std::uint32_t keyMask = source->format_.maskR | source->format_.maskG | source->format_.maskB;
  const std::uint32_t mask = keyMask != 0 ? keyMask : 0xFFFFFFFFu;
  const std::uint32_t key = source->keyLow_ & mask;
  if (!Intersect(&d, clip)) return kOk;
  // Onto the primary, a whole unkeyed copy of another surface inside the primary is shown from the source's pixels.
  const bool showable = primary && !keyed && source != this && (source->caps_ & kCapsPrimarySurface) == 0 &&
                        d.left == dest.left && d.top == dest.top && d.right == dest.right && d.bottom == dest.bottom &&
                        lockCount_ == 0 && source->chain_.empty();
  if (showable) {
    const bool replaces = show_.active && show_.dest.left == dest.left && show_.dest.top == dest.top &&
                          show_.dest.right == dest.right && show_.dest.bottom == dest.bottom;
    if (replaces) DropShow();
    else BeforeChange();
    if (source->shownBy_ != nullptr && source->shownBy_ != this) source->shownBy_->SettleShow();
    const bool xrgbSource = source->format_.bitCount == 32 && source->format_.maskR == 0xFF0000 &&
                            source->format_.maskG == 0xFF00 && source->format_.maskB == 0xFF;
    std::shared_ptr<HeldPicture> held = g_hold && xrgbSource ? g_hold(source, src, true) : nullptr;
    show_.active = true;
    show_.dest = dest;
    if (held != nullptr) {
      show_.held = std::move(held);
      show_.pitch = show_.held->width * 4;
      show_.src = Rect{0, 0, show_.held->width, show_.held->height};
    } else {
      show_.from = source;
      show_.pitch = source->pitch_;
      show_.src = src;
      source->shownBy_ = this;
    }
    Present();
    return kOk;
  }
  source->BeforeRead();
  if (source != this) BeforeChange();
  CopyRect(source->pixels_.data(), source->pitch_, src, dest, d, keyed, mask, key);
  if (primary) Present();
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
  // The buffers rotate: the primary shows the first back buffer, each back buffer takes the next one's pixels. A
  // picture shown from elsewhere is written first; a whole fill still pending moves with its pixels, and the 3D
  // device moves its GPU copies the same way, so what it drew is not read back.
  SettleShow();
  for (auto& buffer : chain_) {
    if (buffer->shownBy_ != nullptr) buffer->shownBy_->SettleShow();
  }
  std::vector<Surface*> ring{this};
  for (auto& buffer : chain_) ring.push_back(buffer.get());
  if (g_flip) g_flip(ring.data(), static_cast<int>(ring.size()));
  std::vector<std::uint8_t> shown = std::move(ring[1]->pixels_);
  const bool shownFill = ring[1]->fillPending_;
  const std::uint32_t shownValue = ring[1]->fillValue_;
  for (std::size_t i = 1; i < ring.size(); ++i) {
    Surface* next = ring[(i + 1) % ring.size()];
    ring[i]->pixels_ = std::move(next->pixels_);
    ring[i]->fillPending_ = next->fillPending_;
    ring[i]->fillValue_ = next->fillValue_;
  }
  pixels_ = std::move(shown);
  fillPending_ = shownFill;
  fillValue_ = shownValue;
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

Result Surface::SetPalette(Palette* palette) {
  if (palette != nullptr && (format_.flags & kPfPaletteIndexed8) == 0) return kErrInvalidParams;
  palette_ = palette;
  return kOk;
}

Result Palette::SetEntries(int start, int count, const PaletteEntry* entries) {
  if (start < 0 || count < 0 || start + count > 256 || entries == nullptr) return kErrInvalidParams;
  std::copy(entries, entries + count, entries_ + start);
  return kOk;
}

Result Palette::GetEntries(int start, int count, PaletteEntry* entries) const {
  if (start < 0 || count < 0 || start + count > 256 || entries == nullptr) return kErrInvalidParams;
  std::copy(entries_ + start, entries_ + start + count, entries);
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
  ++g_presented;
  PresentHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_hook;
  }
  const int bytes = BytesOf(format_);
  const bool xrgb = bytes == 4 && format_.maskR == 0xFF0000 && format_.maskG == 0xFF00 && format_.maskB == 0xFF;
  // The whole area shows another surface's pixels: they go out as they are (their fourth byte is not part of the
  // picture), scaled by the hook's owner or, headless, here.
  if (xrgb && show_.active && show_.dest.left == area.left && show_.dest.top == area.top &&
      show_.dest.right == area.right && show_.dest.bottom == area.bottom) {
    if (show_.from != nullptr) show_.from->SettleFill();
    const int sw = show_.src.right - show_.src.left, sh = show_.src.bottom - show_.src.top;
    if (hook && show_.held != nullptr) {
      hook(Frame{window, sw, sh, nullptr, show_.pitch, w, h, exclusive, show_.held.get()});
      return;
    }
    if (!hook && show_.held != nullptr && sw == w && sh == h) {
      StoreHeldFrame(window, show_.held);
      return;
    }
    const std::uint8_t* first = ShownPixels() + static_cast<std::ptrdiff_t>(show_.src.top) * show_.pitch +
                                static_cast<std::ptrdiff_t>(show_.src.left) * 4;
    if (hook) {
      hook(Frame{window, sw, sh, first, show_.pitch, w, h, exclusive});
    } else if (sw == w && sh == h) {
      headless::StoreFrameRows(window, w, h, first, show_.pitch);
    } else {
      static thread_local std::vector<std::uint32_t> scaled;
      scaled.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
      ScaleRows(first, show_.pitch, sw, sh, scaled.data(), w, h);
      headless::StoreFrameRows(window, w, h, reinterpret_cast<const std::uint8_t*>(scaled.data()), w * 4);
    }
    return;
  }
  // The surface's own newest pixels held outside memory (the 3D device drew them and a flip brought them here) go
  // out as they are: to the hook for the call's length, headless as a copy read when the framebuffer is read.
  if (xrgb && !show_.active && g_hold) {
    if (std::shared_ptr<HeldPicture> held = g_hold(this, area, !hook)) {
      if (hook) hook(Frame{window, w, h, nullptr, w * 4, w, h, exclusive, held.get()});
      else StoreHeldFrame(window, std::move(held));
      return;
    }
  }
  // The pixels are read from memory: newer drawing the 3D device holds (a 16-bit flip chain's) comes back first.
  if (g_beforeRead) g_beforeRead(this, Access::kRead, 0);
  SettleFill();
  SettleShow();
  // One frame buffer reused between presents (presents come from the thread that owns the window).
  static thread_local std::vector<std::uint32_t> frame;
  frame.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  // 8-bit pictures show through the primary's palette (grey levels while it has none).
  const bool indexed = (format_.flags & kPfPaletteIndexed8) != 0;
  std::uint32_t colours[256];
  if (indexed) {
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry e = palette_ != nullptr ? palette_->Entries()[i]
                                                 : PaletteEntry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                                                static_cast<std::uint8_t>(i), 0};
      colours[i] = (static_cast<std::uint32_t>(e.red) << 16) | (static_cast<std::uint32_t>(e.green) << 8) | e.blue;
    }
  }
  for (int y = 0; y < h; ++y) {
    const int sy = area.top + y;
    if (sy < 0 || sy >= height_) continue;
    const int x0 = std::max(area.left, 0), x1 = std::min(area.right, width_);
    if (x0 >= x1) continue;
    const std::uint8_t* p = pixels_.data() + static_cast<std::ptrdiff_t>(sy) * pitch_ + static_cast<std::ptrdiff_t>(x0) * bytes;
    std::uint32_t* out = frame.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + (x0 - area.left);
    if (indexed) {
      for (int x = x0; x < x1; ++x, ++p) *out++ = colours[*p];
    } else if (xrgb) {
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
  if (hook) {
    hook(Frame{window, w, h, reinterpret_cast<const std::uint8_t*>(frame.data()), w * 4, w, h, exclusive});
  } else {
    headless::StoreFrameRows(window, w, h, reinterpret_cast<const std::uint8_t*>(frame.data()), w * 4);
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
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return kErrUnsupportedMode;
  if (g_modeFilter ? !g_modeFilter(width, height, bits, refresh) : (width < 640 || height < 480))
    return kErrUnsupportedMode;
  mode_ = DisplayMode{width, height, refresh, ModeFormat(bits)};
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
  *mode = DisplayMode{d.width, d.height, 0, ModeFormat(d.bits)};
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

Result DirectDraw::CreatePalette(const PaletteEntry* entries, std::unique_ptr<Palette>* out) {
  if (entries == nullptr || out == nullptr) return kErrInvalidParams;
  auto palette = std::make_unique<Palette>();
  palette->SetEntries(0, 256, entries);
  *out = std::move(palette);
  return kOk;
}

Result DirectDraw::GetDeviceIdentifier(char* driver, int driverSize, char* description, int descriptionSize,
                                       std::uint64_t* version) const {
  const auto copy = [](char* out, int size, const char* text) {
    if (out == nullptr || size <= 0) return;
    std::strncpy(out, text, static_cast<std::size_t>(size) - 1);
    out[size - 1] = '\0';
  };
  copy(driver, driverSize, "memdisplay");
  copy(description, descriptionSize, "In-memory display device");
  if (version != nullptr) *version = 0x0001000000000000ull;
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

void SetBeforeReadHook(std::function<void(Surface*, Access, std::uint32_t)> hook) { g_beforeRead = std::move(hook); }
void SetHoldHook(std::function<std::shared_ptr<HeldPicture>(Surface*, const Rect&, bool)> hook) {
  g_hold = std::move(hook);
}
void SetFlipHook(std::function<void(Surface* const*, int)> hook) { g_flip = std::move(hook); }

void SetPresentHook(PresentHook hook) {
  std::lock_guard lock(g_hookMutex);
  g_hook = std::move(hook);
}

void SetModeFilter(std::function<bool(int, int, int, int)> filter) { g_modeFilter = std::move(filter); }
void SetSixteenBitFormat(const PixelFormat* format) { g_format16 = format != nullptr ? *format : PixelFormat{}; }

void SetCreateFails(bool fails) { g_createFails = fails; }
std::uint64_t VerticalBlankWaits() { return g_vblankWaits.load(); }
std::uint64_t PresentedFrames() { return g_presented.load(); }

}  // namespace platform::dd
