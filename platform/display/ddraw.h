// platform/display: the DirectDraw 7 stand-in (this file, ddraw.cpp) and where its frames go: the headless
// framebuffer (headless_display.cpp; headless_display.h is the test hook that reads frames and saves PNGs), or the
// SDL window's renderer, which installs the present hook (platform/window/sdl_window.cpp, as the frame is drawn with
// the window's own renderer). The Direct3D stand-in goes to platform/d3d.
//
// The display device: an in-memory stand-in for the DirectDraw 7 interfaces the graphics layer was written against.
//
// Surfaces are pixel arrays with a pixel format, caps, a source colour key, a lock count and an attached surface.
// Blt (colour fill, depth fill, copy, nearest-neighbour scaled copy, source colour key) and BltFast are plain memory
// loops. Every surface reports system memory and is never lost unless a test marks it lost. A blit onto the primary
// surface or a Flip of the primary chain presents the frame: the clipper window's client area in window mode (the
// primary spans the desktop), the whole primary in exclusive full screen. Whole-surface fills and copies onto the
// primary are written only when something can see them (ddraw.cpp). Presented frames go to the present hook when
// one is set (the SDL back-end sets it), else to the headless framebuffer (platform/display/headless_display.h).
//
// The vertical blank follows a 60 Hz timeline of the platform clock: 525 lines a frame, lines 480..524 are the blank.
// No Direct3D interface can be obtained from the object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/window/window.h"

namespace platform::dd {

// Results (the codes the graphics layer tests for).
using Result = std::int32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kErrGeneric = static_cast<Result>(0x80004005u);
inline constexpr Result kErrNoInterface = static_cast<Result>(0x80004002u);
inline constexpr Result kErrInvalidParams = static_cast<Result>(0x80070057u);
inline constexpr Result kErrUnsupportedMode = static_cast<Result>(0x8876024Eu);
inline constexpr Result kErrSurfaceLost = static_cast<Result>(0x887601C2u);
inline constexpr Result kErrSurfaceBusy = static_cast<Result>(0x887601AEu);
inline constexpr Result kErrNotLocked = static_cast<Result>(0x887602E6u);
inline constexpr Result kErrInvalidRect = static_cast<Result>(0x88760096u);
inline constexpr Result kErrUnsupported = static_cast<Result>(0x80004001u);
inline constexpr Result kErrOutOfMemory = static_cast<Result>(0x8007000Eu);

// Cooperative levels.
inline constexpr std::uint32_t kSclFullScreen = 0x1;
inline constexpr std::uint32_t kSclNormal = 0x8;
inline constexpr std::uint32_t kSclExclusive = 0x10;

// Surface caps.
inline constexpr std::uint32_t kCapsBackBuffer = 0x4;
inline constexpr std::uint32_t kCapsComplex = 0x8;
inline constexpr std::uint32_t kCapsFlip = 0x10;
inline constexpr std::uint32_t kCapsOffscreenPlain = 0x40;
inline constexpr std::uint32_t kCapsOverlay = 0x80;
inline constexpr std::uint32_t kCapsPrimarySurface = 0x200;
inline constexpr std::uint32_t kCapsSystemMemory = 0x800;
inline constexpr std::uint32_t kCaps3DDevice = 0x2000;
inline constexpr std::uint32_t kCapsVideoMemory = 0x4000;
inline constexpr std::uint32_t kCapsZBuffer = 0x20000;

// Blt, BltFast, Flip and Lock flags.
inline constexpr std::uint32_t kBltColorFill = 0x400;
inline constexpr std::uint32_t kBltDepthFill = 0x2000000;
inline constexpr std::uint32_t kBltKeySrc = 0x8000;
inline constexpr std::uint32_t kBltWait = 0x1000000;
inline constexpr std::uint32_t kBltFastSrcColorKey = 0x1;
inline constexpr std::uint32_t kBltFastWait = 0x10;
inline constexpr std::uint32_t kFlipWait = 0x1;
inline constexpr std::uint32_t kFlipNoVSync = 0x8;
inline constexpr std::uint32_t kLockWait = 0x1;
inline constexpr std::uint32_t kLockReadOnly = 0x10;
inline constexpr std::uint32_t kLockWriteOnly = 0x20;

// Pixel-format flags.
inline constexpr std::uint32_t kPfAlphaPixels = 0x1;
inline constexpr std::uint32_t kPfFourCC = 0x4;
inline constexpr std::uint32_t kPfPaletteIndexed8 = 0x20;
inline constexpr std::uint32_t kPfRgb = 0x40;
inline constexpr std::uint32_t kPfZBuffer = 0x400;

// The 32-byte pixel-format record (size, flags, FourCC, bit count, R, G, B, A masks; Z mask in place of R).
struct PixelFormat {
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t fourCC;
  std::uint32_t bitCount;
  std::uint32_t maskR, maskG, maskB, maskA;
};
static_assert(sizeof(PixelFormat) == 32);

PixelFormat RgbFormat(int bits);  // 8: palette indices, 16: R5G6B5, 24: R8G8B8, 32: X8R8G8B8
PixelFormat ZBufferFormat16();

struct Rect {
  std::int32_t left, top, right, bottom;
};

struct DisplayMode {
  int width, height;
  int refresh;
  PixelFormat format;
};

// What a surface is made with. pixelFormat unset (size 0) takes the display's format.
struct SurfaceDesc {
  std::uint32_t caps;
  int width, height;  // ignored for the primary
  int backBufferCount;
  PixelFormat pixelFormat;
};

class Clipper;
struct HeldPicture;

// What is about to happen to a surface's memory pixels, for the 3D device's hook.
enum class Access {
  kRead,     // read: a read-only lock, a blit from it, Pixels
  kChange,   // written in part: a lock, a blit or a partial fill onto it, a flip
  kFill,     // filled whole with one value (given with it): nothing it held stays
  kRelease,  // the surface is being destroyed
};

// One colour of a palette: red, green, blue and a flags byte.
struct PaletteEntry {
  std::uint8_t red, green, blue, flags;
};

// The 256 colours an 8-bit surface's indices stand for.
class Palette {
 public:
  Result SetEntries(int start, int count, const PaletteEntry* entries);
  Result GetEntries(int start, int count, PaletteEntry* entries) const;
  const PaletteEntry* Entries() const { return entries_; }

 private:
  PaletteEntry entries_[256]{};
};

class Surface {
 public:
  ~Surface();
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  std::uint32_t Caps() const { return caps_; }
  const PixelFormat& Format() const { return format_; }
  int LockCount() const { return lockCount_; }
  // The pixels as they stand (work put off until now is done first).
  const std::uint8_t* Pixels() const;

  // rect null: the whole surface. Gives the address of the rectangle's first pixel and the pitch.
  Result Lock(const Rect* rect, std::uint32_t flags, std::uint8_t** pixels, int* pitch);
  Result Unlock();
  // destRect / srcRect null: the whole surface. kBltColorFill writes fillValue; kBltDepthFill likewise.
  Result Blt(const Rect* destRect, Surface* source, const Rect* srcRect, std::uint32_t flags, std::uint32_t fillValue);
  Result BltFast(int x, int y, Surface* source, const Rect* srcRect, std::uint32_t flags);
  // Flips the chain: the primary shows what the back buffer held; the back buffer gets the next buffer.
  Result Flip(Surface* target, std::uint32_t flags);
  Result SetColorKey(std::uint32_t low, std::uint32_t high);
  bool HasColorKey() const { return hasKey_; }
  Result IsLost() const { return lost_ ? kErrSurfaceLost : kOk; }
  Result Restore();
  Result AddAttachedSurface(Surface* surface);
  Result DeleteAttachedSurface(Surface* surface);
  Surface* AttachedSurface() const { return attached_; }
  // The chain's back buffer (flip chains) or null.
  Surface* BackBuffer() const { return backBuffer_; }
  Result SetClipper(Clipper* clipper);
  Clipper* GetClipper() const { return clipper_; }
  // 8-bit surfaces only. The palette belongs to the caller; detach it before destroying it.
  Result SetPalette(Palette* palette);
  Palette* GetPalette() const { return palette_; }
  Result PageLock() { return kOk; }

  // Tests: marks the surface lost (IsLost reports it and Lock/Blt fail until Restore).
  void MarkLost() { lost_ = true; }

 private:
  friend class DirectDraw;
  Surface() = default;
  void Present();
  // Deferred work (see ddraw.cpp): the pending whole-surface fill, and on a primary the rectangle shown from another
  // surface's pixels.
  void SettleFill();
  void SettleShow();
  void DropShow();
  void BeforeRead(Access access = Access::kRead);
  void BeforeChange();
  void NoteWholeFill(std::uint32_t value);
  const std::uint8_t* ShownPixels();
  void FillRect(const Rect& r, std::uint32_t value);
  void CopyRect(const std::uint8_t* from, int fromPitch, const Rect& src, const Rect& dest, const Rect& clip, bool keyed,
                std::uint32_t keyMask, std::uint32_t key);
  int width_ = 0, height_ = 0, pitch_ = 0;
  std::uint32_t caps_ = 0;
  PixelFormat format_{};
  std::vector<std::uint8_t> pixels_;
  int lockCount_ = 0;
  bool hasKey_ = false;
  std::uint32_t keyLow_ = 0, keyHigh_ = 0;
  bool lost_ = false;
  Surface* attached_ = nullptr;
  Surface* backBuffer_ = nullptr;          // primary of a flip chain: its back buffer
  std::vector<std::unique_ptr<Surface>> chain_;  // buffers owned by the chain's primary
  Clipper* clipper_ = nullptr;
  Palette* palette_ = nullptr;
  class DirectDraw* owner_ = nullptr;
  bool fillPending_ = false;  // a fill of the whole surface with fillValue_ not yet written
  std::uint32_t fillValue_ = 0;
  struct Shown {
    bool active = false;
    Surface* from = nullptr;          // the surface whose pixels are shown, while they are unchanged
    std::vector<std::uint8_t> kept;   // once it changed: its pixels as they were (else a spare buffer)
    std::shared_ptr<HeldPicture> held;  // the picture is held outside memory; read into `kept` when needed
    int pitch = 0;
    Rect src{}, dest{};
  } show_;                            // primary only
  Surface* shownBy_ = nullptr;        // the primary that shows this surface's pixels
};

class Clipper {
 public:
  Result SetHWnd(WindowHandle window) {
    window_ = window;
    return kOk;
  }
  WindowHandle Window() const { return window_; }

 private:
  WindowHandle window_ = 0;
};

// The driver's capabilities as far as the graphics layer reads them.
struct Caps {
  std::uint32_t minOverlayStretch;
  std::uint32_t maxOverlayStretch;
  std::uint32_t totalVideoMemory;
  std::uint32_t freeVideoMemory;
};

class DirectDraw {
 public:
  DirectDraw();
  ~DirectDraw();
  Result SetCooperativeLevel(WindowHandle window, std::uint32_t flags);
  // Exclusive full screen only. Modes refused by the mode filter fail with kErrUnsupportedMode.
  Result SetDisplayMode(int width, int height, int bits, int refresh, std::uint32_t flags);
  Result RestoreDisplayMode();
  Result GetDisplayMode(DisplayMode* mode) const;
  // Surfaces live until released or until the object goes.
  Result CreateSurface(const SurfaceDesc& desc, Surface** out);
  void ReleaseSurface(Surface* surface);
  // The clipper belongs to the caller and may outlive the object; detach it from surfaces before destroying it.
  Result CreateClipper(std::unique_ptr<Clipper>* out);
  // A palette of 256 entries (the caller owns it).
  Result CreatePalette(const PaletteEntry* entries, std::unique_ptr<Palette>* out);
  // The adapter's driver name and description (NUL-terminated, cut to size) and its four-part driver version.
  Result GetDeviceIdentifier(char* driver, int driverSize, char* description, int descriptionSize,
                             std::uint64_t* version) const;
  Result GetCaps(Caps* caps) const;
  Result GetAvailableVidMem(std::uint32_t* total, std::uint32_t* free) const;
  // Always fails: no Direct3D here.
  Result QueryDirect3D(void** out) const;
  Result GetVerticalBlankStatus(bool* inBlank) const;
  Result GetScanLine(int* line) const;
  Result WaitForVerticalBlank() const;
  Result FlipToGDISurface() { return kOk; }
  WindowHandle CooperativeWindow() const { return window_; }
  bool Exclusive() const { return (level_ & kSclExclusive) != 0; }
  std::size_t SurfaceCount() const { return surfaces_.size(); }

 private:
  friend class Surface;
  WindowHandle window_ = 0;
  std::uint32_t level_ = 0;
  bool modeSet_ = false;
  DisplayMode mode_{};
  std::vector<std::unique_ptr<Surface>> surfaces_;
};

// Creates the object. Tests can make creation fail (SetCreateFails).
Result CreateDirectDraw(std::unique_ptr<DirectDraw>* out);

// ---- Presenting -------------------------------------------------------------------------------------------------

// A picture held outside memory (the 3D device's GPU copy of what it drew): `handle` names it for the present
// hook's owner (a GL framebuffer of the window's context), `read` writes its width x height 32-bit pixels, rows
// `pitch` bytes apart, when they are needed in memory.
struct HeldPicture {
  int width, height;
  std::uintptr_t handle;
  std::function<void(std::uint8_t* pixels, int pitch)> read;
};

// One presented frame: width x height 32-bit pixels 0x??RRGGBB (the top byte is not part of the picture), rows
// `pitch` bytes apart, to be shown at outWidth x outHeight (the window's client area; scaled when it differs). The
// pixels are only valid during the hook's call. When `pixels` is null the picture is `held`'s.
struct Frame {
  WindowHandle window;
  int width, height;
  const std::uint8_t* pixels;
  int pitch;
  int outWidth, outHeight;
  bool fullScreen;  // the display mode belongs to the program: the picture fills the desktop, aspect kept
  const HeldPicture* held = nullptr;
};
using PresentHook = std::function<void(const Frame&)>;

// The 3D device's hook, called before a surface's memory pixels are read or changed, so that drawing the GPU still
// holds for the surface is written back into them first, and so that the device knows which side is newer. Null:
// none.
void SetBeforeReadHook(std::function<void(Surface*, Access, std::uint32_t fillValue)> hook);
// Called when a primary is about to show `rect` of a 32-bit `source` (another surface, or itself when it presents):
// returns the picture when the source's newest pixels are held outside memory, or null once the source's memory
// pixels are current. A `lasting` picture is a copy that stays as it is while the source changes (the primary or the
// headless framebuffer keeps it); otherwise it is valid only until the source changes (the present hook's call).
// Null hook: memory is always current.
void SetHoldHook(
    std::function<std::shared_ptr<HeldPicture>(Surface* source, const Rect& rect, bool lasting)> hook);
// Called when a flip moves pixels along a chain: ring[i] takes ring[i + 1]'s pixels and the last takes the first's
// (ring[0] is the primary). The 3D device moves its GPU copies the same way, so a flip reads nothing back.
void SetFlipHook(std::function<void(Surface* const* ring, int count)> hook);
// The SDL back-end sets its hook while it exists; with none, frames go to the headless framebuffer.
void SetPresentHook(PresentHook hook);

// ---- Test controls ----------------------------------------------------------------------------------------------

// Full-screen modes the device accepts: the filter returns false to refuse. Null: every mode of 640 x 480 or more
// at 8, 16, 24 or 32 bits (other depths are always refused).
void SetModeFilter(std::function<bool(int width, int height, int bits, int refresh)> filter);
void SetCreateFails(bool fails);
// The layout of 16-bit display modes and desktops: null is R5G6B5 (the default); tests set X1R5G5B5 or others.
void SetSixteenBitFormat(const PixelFormat* format);
// Counts of WaitForVerticalBlank calls and presented frames since the process started.
std::uint64_t VerticalBlankWaits();
std::uint64_t PresentedFrames();

}  // namespace platform::dd
