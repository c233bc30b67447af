// The 3D device: a stand-in of our own for the Direct3D 7 interfaces the graphics layer was written against, drawn
// with OpenGL 3.3 core (functions loaded through libepoxy).
//
// Where the GL context comes from (egl_context.h): by default the SDL window's context on the desktop, and none in
// headless runs, so the Direct3D object cannot be obtained there and the graphics layer draws through its 2D path.
// ENGINE_D3D=off makes no context anywhere; ENGINE_D3D=egl (or "on") asks for EGL's surfaceless platform, which on
// Mesa gives a context with no display at all (llvmpipe without a GPU). When no context can be made, CreateDirect3D
// fails the same way.
//
// Pixels: every surface the device draws into keeps its own pixels in memory, as the DirectDraw stand-in's surfaces
// do, and the GPU holds a copy in a framebuffer texture. Each side knows whether it is the newer one: the memory
// pixels go up before a draw only when they changed since they last went up (a lock for writing, a blit or a fill
// onto the surface), and the drawing comes back into memory only when memory is read or changed (a lock, a blit
// from the surface, Pixels), scene or not. A whole-surface colour or depth fill is done on both sides, so a frame's
// clear costs no transfer. Presenting a drawn back buffer copies it on the GPU and shows that copy: on the desktop
// through the window's context, headless as the framebuffer's frame; either is read into memory only when the
// primary or the framebuffer is read. A flip of a chain moves the buffers' GPU copies along with their memory
// pixels, and the primary shows its GPU copy as it is, so full-screen frames go to the window without a copy or a
// read-back (headless, the framebuffer keeps a GPU copy). Textures keep their pixels in memory too; Unlock, Load and
// a colour fill mark them changed and the next draw that samples them uploads them again; a texture drawn into is
// read back at the end of each scene.
//
// One device object set per process, main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/display/ddraw.h"

namespace platform::d3d {

using dd::PixelFormat;
using dd::Rect;
using dd::Result;

inline constexpr Result kErrSceneNotInScene = static_cast<Result>(0x887600A6u);
inline constexpr Result kErrSceneInScene = static_cast<Result>(0x887600A5u);
inline constexpr Result kErrInvalidDevice = static_cast<Result>(0x88760393u);

// Device classes.
enum class DeviceGuid : std::uint32_t { kRgb = 1, kHal = 2, kTnLHal = 3, kRef = 4 };

// Render depths of a device (DDBD_*).
inline constexpr std::uint32_t kBitDepth16 = 0x400;
inline constexpr std::uint32_t kBitDepth32 = 0x100;

// Texture caps of the triangle caps.
inline constexpr std::uint32_t kTextureCapsPow2 = 0x2;
inline constexpr std::uint32_t kTextureCapsSquareOnly = 0x20;

// Pixel-format flags beyond the DirectDraw ones.
inline constexpr std::uint32_t kPfAlpha = 0x2;
inline constexpr std::uint32_t kPfLuminance = 0x20000;
inline constexpr std::uint32_t kPfBumpLuminance = 0x40000;
inline constexpr std::uint32_t kPfBumpDuDv = 0x80000;

struct DeviceDesc {
  DeviceGuid guid;
  std::uint32_t renderBitDepths;
  std::uint32_t zBufferBitDepths;
  std::uint32_t textureCaps;
  std::uint32_t minTextureWidth, minTextureHeight;
  std::uint32_t maxTextureWidth, maxTextureHeight;
};

// Render states (D3DRENDERSTATETYPE values).
enum RenderState : std::uint32_t {
  kRsTexturePerspective = 4,
  kRsZEnable = 7,
  kRsShadeMode = 9,
  kRsZWriteEnable = 14,
  kRsAlphaTestEnable = 15,
  kRsSrcBlend = 19,
  kRsDestBlend = 20,
  kRsCullMode = 22,
  kRsZFunc = 23,
  kRsAlphaRef = 24,
  kRsAlphaFunc = 25,
  kRsDitherEnable = 26,
  kRsAlphaBlendEnable = 27,
  kRsColorKeyEnable = 41,
  kRsTextureFactor = 60,
  kRsLighting = 137,
  kRsColorKeyBlendEnable = 144,
};

// Texture-stage states (D3DTEXTURESTAGESTATETYPE values).
enum StageState : std::uint32_t {
  kTssColorOp = 1,
  kTssColorArg1 = 2,
  kTssColorArg2 = 3,
  kTssAlphaOp = 4,
  kTssAlphaArg1 = 5,
  kTssAlphaArg2 = 6,
  kTssTexCoordIndex = 11,
  kTssAddress = 12,
  kTssMagFilter = 16,
  kTssMinFilter = 17,
};

// Stage operations and arguments.
enum TextureOp : std::uint32_t {
  kOpDisable = 1,
  kOpSelectArg1 = 2,
  kOpSelectArg2 = 3,
  kOpModulate = 4,
  kOpModulate2x = 5,
  kOpModulate4x = 6,
  kOpAdd = 7,
  kOpSubtract = 10,
};
enum TextureArg : std::uint32_t { kTaDiffuse = 0, kTaCurrent = 1, kTaTexture = 2, kTaTFactor = 3, kTaSpecular = 4 };

// Blend factors (D3DBLEND).
enum Blend : std::uint32_t {
  kBlendZero = 1,
  kBlendOne = 2,
  kBlendSrcColor = 3,
  kBlendInvSrcColor = 4,
  kBlendSrcAlpha = 5,
  kBlendInvSrcAlpha = 6,
  kBlendDestAlpha = 7,
  kBlendInvDestAlpha = 8,
  kBlendDestColor = 9,
  kBlendInvDestColor = 10,
};

// Comparison functions (D3DCMPFUNC), shade modes, filters, address modes.
enum Compare : std::uint32_t {
  kCmpNever = 1, kCmpLess, kCmpEqual, kCmpLessEqual, kCmpGreater, kCmpNotEqual, kCmpGreaterEqual, kCmpAlways
};
inline constexpr std::uint32_t kShadeFlat = 1;
inline constexpr std::uint32_t kShadeGouraud = 2;
inline constexpr std::uint32_t kFilterPoint = 1;
inline constexpr std::uint32_t kFilterLinear = 2;
inline constexpr std::uint32_t kAddressWrap = 1;
inline constexpr std::uint32_t kAddressClamp = 3;

// Primitive types and flexible vertex formats.
enum PrimitiveType : std::uint32_t {
  kPointList = 1,
  kLineList = 2,
  kLineStrip = 3,
  kTriangleList = 4,
  kTriangleStrip = 5,
  kTriangleFan = 6,
};
inline constexpr std::uint32_t kFvfXyzRhw = 0x004;
inline constexpr std::uint32_t kFvfDiffuse = 0x040;
inline constexpr std::uint32_t kFvfSpecular = 0x080;
inline constexpr std::uint32_t kFvfTex1 = 0x100;
inline constexpr std::uint32_t kFvfTex2 = 0x200;

// Size in bytes of one vertex of a flexible vertex format (0 for formats the device does not draw).
int VertexSize(std::uint32_t fvf);

enum TransformType : std::uint32_t { kTransformWorld = 1, kTransformView = 2, kTransformProjection = 3 };
struct Matrix {
  float m[4][4];
};

struct Viewport {
  std::uint32_t x, y, width, height;
  float minZ, maxZ;
};

class Device;

// A texture: pixels in memory in one of the formats the device lists, with an optional source colour key.
class Texture {
 public:
  ~Texture();
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  const PixelFormat& Format() const { return format_; }
  int LockCount() const { return lockCount_; }
  // rect null: the whole texture. A texture that was drawn into is read back first.
  Result Lock(const Rect* rect, std::uint32_t flags, std::uint8_t** pixels, int* pitch);
  Result Unlock();
  // Copies a rectangle of a surface to (x, y) as it is, as BltFast does: the two formats must have the same bit
  // count and colour masks (the alpha bits take what the surface's pixels hold there).
  Result BltFast(int x, int y, dd::Surface* source, const Rect& rect);
  // Colour fill (rect null: whole texture) with a raw pixel value.
  Result Fill(const Rect* rect, std::uint32_t value);
  Result SetColorKey(std::uint32_t low, std::uint32_t high);
  Result ClearColorKey();
  bool HasColorKey() const { return hasKey_; }
  std::uint32_t ColorKey() const { return key_; }
  Result IsLost() const;
  // Brings a lost texture back with zeroed pixels.
  Result Restore();
  const std::uint8_t* Pixels() const { return pixels_.data(); }

 private:
  friend class Direct3D;
  friend class Device;
  Texture() = default;
  int width_ = 0, height_ = 0, pitch_ = 0;
  PixelFormat format_{};
  std::vector<std::uint8_t> pixels_;
  int lockCount_ = 0;
  bool hasKey_ = false;
  std::uint32_t key_ = 0;
  bool lost_ = false;
  class Direct3D* owner_ = nullptr;
  // GPU side (owned by the Direct3D object's context).
  std::uint32_t glTexture_ = 0;
  std::uint32_t glFramebuffer_ = 0;
  bool uploadPending_ = true;  // memory pixels changed since the last upload
  bool drawnOnGpu_ = false;    // the GPU holds drawing not yet read back
};

// A render target: the back buffer or another DirectDraw surface, or a texture.
struct RenderTarget {
  dd::Surface* surface = nullptr;
  Texture* texture = nullptr;
  bool operator==(const RenderTarget&) const = default;
};

// Marks a device call that locks surfaces itself, so that those locks ask for no read-back.
class BusyScope {
 public:
  explicit BusyScope(class Direct3D* owner);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  class Direct3D* owner_;
  bool was_;
};

class Device {
 public:
  ~Device();
  Result EnumTextureFormats(const std::function<bool(const PixelFormat&)>& callback) const;
  Result SetRenderTarget(RenderTarget target);
  RenderTarget GetRenderTarget() const { return target_; }
  Result BeginScene();
  Result EndScene();
  bool InScene() const { return inScene_; }
  Result SetRenderState(RenderState state, std::uint32_t value);
  std::uint32_t GetRenderState(RenderState state) const;
  Result SetTextureStageState(int stage, StageState state, std::uint32_t value);
  std::uint32_t GetTextureStageState(int stage, StageState state) const;
  Result SetTexture(int stage, Texture* texture);
  Texture* GetTexture(int stage) const;
  Result SetViewport(const Viewport& viewport);
  Result GetViewport(Viewport* viewport) const;
  Result SetTransform(TransformType type, const Matrix& matrix);
  Result GetTransform(TransformType type, Matrix* matrix) const;
  // Pre-transformed vertices only (the format must hold kFvfXyzRhw).
  Result DrawPrimitive(PrimitiveType type, std::uint32_t fvf, const void* vertices, int count, std::uint32_t flags);
  Result DrawIndexedPrimitive(PrimitiveType type, std::uint32_t fvf, const void* vertices, int vertexCount,
                              const std::uint16_t* indices, int indexCount, std::uint32_t flags);
  // Copies a rectangle of one texture into another of the same format (rect null: the whole source).
  Result Load(Texture* destination, int x, int y, Texture* source, const Rect* rect, std::uint32_t flags);
  std::uint64_t DrawCalls() const { return drawCalls_; }

 private:
  friend class Direct3D;
  friend class Texture;
  Device() = default;
  struct Impl;
  Result Draw(PrimitiveType type, std::uint32_t fvf, const void* vertices, int vertexCount,
              const std::uint16_t* indices, int indexCount);
  Result BindTarget();
  void ReadBackTarget();
  void ReadBack(Texture* texture);
  // A surface's memory pixels are about to be read or changed (see dd::Access): brings drawing the GPU holds for it
  // (or its Z surface) back first and notes which side is newer.
  void SyncSurface(dd::Surface* surface, dd::Access access, std::uint32_t fillValue);
  // Reads back everything drawn into surfaces that memory lacks (before the device goes).
  void ReadBackSurfaces();
  // A flip: the GPU copies move along the ring as the memory pixels do (see dd::SetFlipHook).
  void Flip(dd::Surface* const* ring, int count);
  class Direct3D* owner_ = nullptr;
  std::unique_ptr<Impl> impl_;
  RenderTarget target_{};
  bool inScene_ = false;
  bool targetUploaded_ = false;
  std::uint64_t drawCalls_ = 0;
};

class Direct3D {
 public:
  ~Direct3D();
  // The callback answers whether to go on.
  Result EnumDevices(const std::function<bool(const std::string& description, const std::string& name,
                                              const DeviceDesc& desc)>& callback) const;
  Result EnumZBufferFormats(DeviceGuid guid, const std::function<bool(const PixelFormat*)>& callback) const;
  Result CreateDevice(DeviceGuid guid, dd::Surface* target, Device** out);
  void ReleaseDevice(Device* device);
  // The format must be one that EnumTextureFormats lists.
  Result CreateTexture(int width, int height, const PixelFormat& format, Texture** out);
  void ReleaseTexture(Texture* texture);
  std::size_t TextureCount() const { return textures_.size(); }
  // The GL renderer string of the context ("llvmpipe (...)" on Mesa's software rasteriser).
  std::string RendererName() const;

  // Called before a surface a device draws into is read back for a read or change in memory: the caller's own
  // pending draws (a vertex batch) go to the device there.
  void SetBeforeReadBack(std::function<void()> flush) { beforeReadBack_ = std::move(flush); }

  // Tests: every texture is lost (Lock fails, IsLost reports it) and the devices refuse to draw until the textures
  // are restored and the devices re-created.
  void SimulateDeviceLoss();

  // Transfers of surface targets' colour pixels since the object was made: memory to GPU, GPU to memory (a shown
  // picture read into memory counts too).
  std::uint64_t SurfaceUploads() const { return surfaceUploads_; }
  std::uint64_t SurfaceReadBacks() const { return surfaceReadBacks_; }
  // Pictures presented from the GPU without a read-back.
  std::uint64_t GpuPresents() const { return gpuPresents_; }

 private:
  friend class Device;
  friend class Texture;
  friend class BusyScope;
  friend Result CreateDirect3D(dd::DirectDraw* directDraw, std::unique_ptr<Direct3D>* out);
  Direct3D() = default;
  void ReadBackDrawnSurface(dd::Surface* surface, dd::Access access, std::uint32_t fillValue);
  std::shared_ptr<dd::HeldPicture> HoldShown(dd::Surface* source, const Rect& rect, bool lasting);
  void Flip(dd::Surface* const* ring, int count);
  dd::DirectDraw* directDraw_ = nullptr;
  // Flushes the caller's pending draws when a device in a scene draws into `surface` (or its Z surface).
  bool FlushDrawsInto(const dd::Surface* surface);
  std::uint64_t surfaceUploads_ = 0, surfaceReadBacks_ = 0, gpuPresents_ = 0;
  struct Snapshot;
  std::vector<std::shared_ptr<Snapshot>> snapshots_;  // GPU copies of shown pictures, reused once nothing holds them
  std::shared_ptr<bool> alive_;  // snapshots outliving the object see it gone
  std::function<void()> beforeReadBack_;
  bool busy_ = false;  // inside a device call that locks surfaces itself
  std::vector<std::unique_ptr<Texture>> textures_;
  std::vector<std::unique_ptr<Device>> devices_;
  bool lost_ = false;
};

// The object of a DirectDraw object; kErrNoInterface when no GL context can be had (see egl_context.h).
Result CreateDirect3D(dd::DirectDraw* directDraw, std::unique_ptr<Direct3D>* out);

}  // namespace platform::d3d
