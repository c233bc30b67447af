#include "platform/d3d/d3d.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "platform/d3d/egl_context.h"
#include "platform/d3d/gl_shaders.h"

namespace platform::d3d {
namespace {

constexpr int kStages = 4;
constexpr int kMaxTextureLength = 4096;

int BytesOf(const PixelFormat& f) { return static_cast<int>((f.bitCount + 7) / 8); }

int ShiftOf(std::uint32_t mask) {
  if (mask == 0) return 0;
  int s = 0;
  while (((mask >> s) & 1u) == 0) ++s;
  return s;
}

// The texture formats the device offers, in the order it lists them.
const std::array<PixelFormat, 5>& TextureFormats() {
  static const std::array<PixelFormat, 5> formats = {
      PixelFormat{32, dd::kPfRgb, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
      PixelFormat{32, dd::kPfRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0},
      PixelFormat{32, dd::kPfRgb | dd::kPfAlphaPixels, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
      PixelFormat{32, dd::kPfRgb | dd::kPfAlphaPixels, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
      PixelFormat{32, dd::kPfRgb | dd::kPfAlphaPixels, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
  };
  return formats;
}

bool SameFormat(const PixelFormat& a, const PixelFormat& b) {
  return a.bitCount == b.bitCount && a.maskR == b.maskR && a.maskG == b.maskG && a.maskB == b.maskB &&
         a.maskA == b.maskA;
}

// Converts between a format's pixels and RGBA bytes. Channels widen with rounding (c * 255 / max) and narrow with
// rounding back (c * max / 255), so a pixel that goes to the GPU and back comes back unchanged.
struct Channel {
  std::uint32_t mask;
  int shift;
  std::uint32_t max;
};

struct Converter {
  Channel c[4];  // r, g, b, a
  int bytes;
  explicit Converter(const PixelFormat& f) : bytes(BytesOf(f)) {
    const std::uint32_t masks[4] = {f.maskR, f.maskG, f.maskB, f.maskA};
    for (int i = 0; i < 4; ++i) {
      c[i].mask = masks[i];
      c[i].shift = ShiftOf(masks[i]);
      c[i].max = masks[i] >> c[i].shift;
    }
  }
  bool Bgra32() const {
    return bytes == 4 && c[0].mask == 0xFF0000 && c[1].mask == 0xFF00 && c[2].mask == 0xFF;
  }
  void ToRgba(const std::uint8_t* src, int count, std::uint8_t* out) const {
    for (int i = 0; i < count; ++i, src += bytes, out += 4) {
      std::uint32_t v = 0;
      std::memcpy(&v, src, static_cast<std::size_t>(bytes));
      for (int k = 0; k < 4; ++k) {
        if (c[k].mask == 0) {
          out[k] = k == 3 ? 255 : 0;
          continue;
        }
        const std::uint32_t value = (v & c[k].mask) >> c[k].shift;
        out[k] = static_cast<std::uint8_t>(c[k].max == 255 ? value : (value * 255 + c[k].max / 2) / c[k].max);
      }
    }
  }
  // Bits outside the channels keep what the destination held, except that a 32-bit format without alpha gets its
  // top byte set as the display's surfaces do.
  void FromRgba(const std::uint8_t* in, int count, std::uint8_t* dst) const {
    std::uint32_t channels = 0;
    for (const auto& ch : c) channels |= ch.mask;
    for (int i = 0; i < count; ++i, in += 4, dst += bytes) {
      std::uint32_t old = 0;
      std::memcpy(&old, dst, static_cast<std::size_t>(bytes));
      std::uint32_t v = old & ~channels;
      for (int k = 0; k < 4; ++k) {
        if (c[k].mask == 0) continue;
        const std::uint32_t value = c[k].max == 255 ? in[k] : (in[k] * c[k].max + 127) / 255;
        v |= (value << c[k].shift) & c[k].mask;
      }
      std::memcpy(dst, &v, static_cast<std::size_t>(bytes));
    }
  }
};

// Uploads pixels of any format into a GL RGBA8 texture (made or resized as needed). 32-bit pixels in the display's
// byte order go up as they are; a texture without alpha reads its alpha as 1 (set where the texture is made).
void UploadPixels(std::uint32_t texture, const std::uint8_t* pixels, int pitch, int width, int height,
                  const PixelFormat& format, bool allocate) {
  glBindTexture(GL_TEXTURE_2D, texture);
  const Converter conv(format);
  if (conv.Bgra32() && pitch % 4 == 0) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch / 4);
    if (allocate) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    } else {
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return;
  }
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    conv.ToRgba(pixels + static_cast<std::ptrdiff_t>(y) * pitch, width,
                rgba.data() + static_cast<std::ptrdiff_t>(y) * width * 4);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  if (allocate) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  }
}

// Reads the framebuffer back into pixels of the target's format. A 32-bit target in the display's byte order is
// read straight into its memory: its fourth byte was uploaded with the pixels and never written (drawing into a
// target without alpha masks the alpha channel), so it keeps what the surface held.
void ReadPixelsInto(std::uint32_t framebuffer, std::uint8_t* pixels, int pitch, int width, int height,
                    const PixelFormat& format) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  const Converter conv(format);
  if (conv.Bgra32() && pitch % 4 == 0) {
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, pitch / 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    return;
  }
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  for (int y = 0; y < height; ++y) {
    conv.FromRgba(rgba.data() + static_cast<std::ptrdiff_t>(y) * width * 4, width,
                  pixels + static_cast<std::ptrdiff_t>(y) * pitch);
  }
}

void ZeroRows(std::uint8_t* pixels, int pitch, int width, int height) {
  for (int y = 0; y < height; ++y)
    std::memset(pixels + static_cast<std::ptrdiff_t>(y) * pitch, 0, static_cast<std::size_t>(width) * 4);
}

// Textures without alpha read alpha 1 whatever their fourth byte holds.
void SetAlphaSwizzle(std::uint32_t texture, const PixelFormat& format) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, format.maskA == 0 ? GL_ONE : GL_ALPHA);
}

std::uint32_t CompileProgram(bool flat, const std::string& constants) {
  const std::string header = std::string("#version 330 core\n#define COLOUR_QUALIFIER ") + (flat ? "flat" : "") + "\n";
  auto compile = [&](GLenum kind, const char* body) {
    const std::string source = header + (kind == GL_FRAGMENT_SHADER ? constants : std::string()) + body;
    const char* text = source.c_str();
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == 0) {
      glDeleteShader(shader);
      return 0u;
    }
    return shader;
  };
  const GLuint vs = compile(GL_VERTEX_SHADER, VertexShaderSource());
  const GLuint fs = compile(GL_FRAGMENT_SHADER, FragmentShaderSource());
  if (vs == 0 || fs == 0) return 0;
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok == 0) {
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

GLenum DepthFunc(std::uint32_t c) {
  switch (c) {
    case kCmpNever: return GL_NEVER;
    case kCmpLess: return GL_LESS;
    case kCmpEqual: return GL_EQUAL;
    case kCmpLessEqual: return GL_LEQUAL;
    case kCmpGreater: return GL_GREATER;
    case kCmpNotEqual: return GL_NOTEQUAL;
    case kCmpGreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

// The 16-bit Z surface attached to a surface target, or null.
dd::Surface* ZSurfaceOf(dd::Surface* target) {
  dd::Surface* z = target != nullptr ? target->AttachedSurface() : nullptr;
  if (z == nullptr || (z->Caps() & dd::kCapsZBuffer) == 0 || z->Format().bitCount != 16 ||
      z->Width() != target->Width() || z->Height() != target->Height())
    return nullptr;
  return z;
}

GLenum BlendFactor(std::uint32_t b) {
  switch (b) {
    case kBlendZero: return GL_ZERO;
    case kBlendOne: return GL_ONE;
    case kBlendSrcColor: return GL_SRC_COLOR;
    case kBlendInvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case kBlendSrcAlpha: return GL_SRC_ALPHA;
    case kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case kBlendDestAlpha: return GL_DST_ALPHA;
    case kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColor: return GL_DST_COLOR;
    case kBlendInvDestColor: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
  }
}

GLenum GlPrimitive(PrimitiveType type) {
  switch (type) {
    case kPointList: return GL_POINTS;
    case kLineList: return GL_LINES;
    case kLineStrip: return GL_LINE_STRIP;
    case kTriangleStrip: return GL_TRIANGLE_STRIP;
    case kTriangleFan: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

bool ValidPrimitiveCount(PrimitiveType type, int count) {
  switch (type) {
    case kPointList: return count >= 1;
    case kLineList: return count >= 2 && count % 2 == 0;
    case kLineStrip: return count >= 2;
    case kTriangleList: return count >= 3 && count % 3 == 0;
    case kTriangleStrip:
    case kTriangleFan: return count >= 3;
  }
  return false;
}

}  // namespace

int VertexSize(std::uint32_t fvf) {
  if ((fvf & kFvfXyzRhw) == 0) return 0;
  const std::uint32_t texCount = (fvf >> 8) & 0xF;
  if (texCount > 2 || (fvf & ~0xFFFu) != 0 || (fvf & ~(kFvfXyzRhw | kFvfDiffuse | kFvfSpecular | 0xF00u)) != 0)
    return 0;
  int size = 16;
  if ((fvf & kFvfDiffuse) != 0) size += 4;
  if ((fvf & kFvfSpecular) != 0) size += 4;
  return size + static_cast<int>(texCount) * 8;
}

// ---- Texture ----------------------------------------------------------------------------------------------------

Texture::~Texture() {
  const GlScope gl;
  if (glFramebuffer_ != 0) glDeleteFramebuffers(1, &glFramebuffer_);
  if (glTexture_ != 0) glDeleteTextures(1, &glTexture_);
}

Result Texture::Lock(const Rect* rect, std::uint32_t, std::uint8_t** pixels, int* pitch) {
  const GlScope gl;
  if (lost_) return dd::kErrSurfaceLost;
  const Rect r = rect != nullptr ? *rect : Rect{0, 0, width_, height_};
  if (r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_ || r.left > r.right || r.top > r.bottom)
    return dd::kErrInvalidRect;
  if (drawnOnGpu_ && owner_ != nullptr) {
    for (auto& device : owner_->devices_) device->ReadBack(this);
  }
  ++lockCount_;
  *pixels = pixels_.data() + static_cast<std::ptrdiff_t>(r.top) * pitch_ +
            static_cast<std::ptrdiff_t>(r.left) * BytesOf(format_);
  *pitch = pitch_;
  return dd::kOk;
}

Result Texture::Unlock() {
  if (lockCount_ == 0) return dd::kErrNotLocked;
  --lockCount_;
  uploadPending_ = true;
  return dd::kOk;
}

Result Texture::Fill(const Rect* rect, std::uint32_t value) {
  if (lost_) return dd::kErrSurfaceLost;
  Rect r = rect != nullptr ? *rect : Rect{0, 0, width_, height_};
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, width_);
  r.bottom = std::min(r.bottom, height_);
  const int bytes = BytesOf(format_);
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint8_t* row = pixels_.data() + static_cast<std::ptrdiff_t>(y) * pitch_;
    for (int x = r.left; x < r.right; ++x) std::memcpy(row + static_cast<std::ptrdiff_t>(x) * bytes, &value, bytes);
  }
  uploadPending_ = true;
  drawnOnGpu_ = false;
  return dd::kOk;
}

Result Texture::BltFast(int x, int y, dd::Surface* source, const Rect& rect) {
  const GlScope gl;
  if (lost_) return dd::kErrSurfaceLost;
  if (source == nullptr) return dd::kErrInvalidParams;
  const PixelFormat& f = source->Format();
  if (f.bitCount != format_.bitCount || f.maskR != format_.maskR || f.maskG != format_.maskG ||
      f.maskB != format_.maskB)
    return dd::kErrUnsupported;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0 || x < 0 || y < 0 || x + w > width_ || y + h > height_) return dd::kErrInvalidRect;
  std::uint8_t* src = nullptr;
  int srcPitch = 0;
  const Result locked = source->Lock(&rect, dd::kLockWait | dd::kLockReadOnly, &src, &srcPitch);
  if (locked != dd::kOk) return locked;
  if (drawnOnGpu_ && owner_ != nullptr) {
    for (auto& device : owner_->devices_) device->ReadBack(this);
  }
  const int bytes = BytesOf(format_);
  for (int row = 0; row < h; ++row) {
    std::memcpy(pixels_.data() + static_cast<std::ptrdiff_t>(y + row) * pitch_ + static_cast<std::ptrdiff_t>(x) * bytes,
                src + static_cast<std::ptrdiff_t>(row) * srcPitch, static_cast<std::size_t>(w) * bytes);
  }
  source->Unlock();
  uploadPending_ = true;
  return dd::kOk;
}

Result Texture::SetColorKey(std::uint32_t low, std::uint32_t) {
  hasKey_ = true;
  key_ = low;
  return dd::kOk;
}

Result Texture::ClearColorKey() {
  hasKey_ = false;
  return dd::kOk;
}

Result Texture::IsLost() const { return lost_ ? dd::kErrSurfaceLost : dd::kOk; }

Result Texture::Restore() {
  if (lost_) {
    std::fill(pixels_.begin(), pixels_.end(), std::uint8_t{0});
    lost_ = false;
    uploadPending_ = true;
    drawnOnGpu_ = false;
  }
  return dd::kOk;
}

// ---- Device -----------------------------------------------------------------------------------------------------

// Uniform locations of one program.
struct ProgramUniforms {
  GLint targetSize, key, factor, alphaRef;
  void Find(GLuint program) {
    targetSize = glGetUniformLocation(program, "uTargetSize");
    key = glGetUniformLocation(program, "uKey");
    factor = glGetUniformLocation(program, "uFactor");
    alphaRef = glGetUniformLocation(program, "uAlphaRef");
    glUseProgram(program);
    const char* samplerNames[4] = {"uTex0", "uTex1", "uTex2", "uTex3"};
    for (int i = 0; i < 4; ++i) glUniform1i(glGetUniformLocation(program, samplerNames[i]), i);
  }
};

// The stage program and the tests compiled into a fragment shader.
struct ProgramKey {
  std::int32_t flat;
  std::int32_t values[9][4];  // has texture, coordinate set, key on, colour op/arg1/arg2, alpha op/arg1/arg2
  std::int32_t alphaTest, alphaFunc;
  bool operator==(const ProgramKey&) const = default;
};

std::string ProgramConstants(const ProgramKey& k) {
  static const char* const names[9] = {"uHasTex",    "uCoordIndex", "uKeyOn",     "uColorOp",  "uColorArg1",
                                       "uColorArg2", "uAlphaOp",    "uAlphaArg1", "uAlphaArg2"};
  std::string out;
  for (int n = 0; n < 9; ++n) {
    out += std::string("const int ") + names[n] + "[4] = int[4](";
    for (int i = 0; i < 4; ++i) out += std::to_string(k.values[n][i]) + (i < 3 ? ", " : ");\n");
  }
  out += "const int uAlphaTest = " + std::to_string(k.alphaTest) + ";\n";
  out += "const int uAlphaFunc = " + std::to_string(k.alphaFunc) + ";\n";
  return out;
}

struct Device::Impl {
  struct Program {
    ProgramKey key;
    GLuint program;
    ProgramUniforms uniforms;
  };
  std::vector<Program> programs;  // made on first use of each stage program
  // The program for a key, compiled when new; null when it does not compile.
  const Program* ProgramFor(const ProgramKey& key) {
    for (const Program& p : programs) {
      if (p.key == key) return &p;
    }
    const GLuint program = CompileProgram(key.flat != 0, ProgramConstants(key));
    if (program == 0) return nullptr;
    Program p{key, program, {}};
    p.uniforms.Find(program);
    programs.push_back(p);
    return &programs.back();
  }
  GLuint vao = 0, vbo = 0, ibo = 0;
  GLuint samplers[kStages] = {0, 0, 0, 0};
  // The surface targets' framebuffers, made on first use of each surface.
  // Which side is newer: `onGpu` the GPU holds drawing memory lacks, `stale` memory changed since it went up.
  struct SurfaceTarget {
    dd::Surface* surface;
    int width, height;
    GLuint texture, framebuffer;
    dd::Surface* zSurface;  // the attached Z surface its depth texture stands for, or null
    GLuint depth;
    bool colourOnGpu = false, colourStale = true;
    bool depthOnGpu = false, depthStale = true;
  };
  std::vector<SurfaceTarget> surfaceTargets;
  SurfaceTarget* Find(const dd::Surface* surface) {
    for (auto& t : surfaceTargets) {
      if (t.surface == surface) return &t;
    }
    return nullptr;
  }
  // A new surface target: its colour texture and framebuffer, nothing on the GPU yet.
  SurfaceTarget& Add(dd::Surface* surface) {
    SurfaceTarget t{surface, surface->Width(), surface->Height(), 0, 0, nullptr, 0};
    glGenTextures(1, &t.texture);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &t.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.texture, 0);
    surfaceTargets.push_back(t);
    return surfaceTargets.back();
  }
  static void Delete(SurfaceTarget& t) {
    glDeleteFramebuffers(1, &t.framebuffer);
    glDeleteTextures(1, &t.texture);
    glDeleteTextures(1, &t.depth);
  }
  // Device states.
  std::uint32_t renderStates[256] = {};
  std::uint32_t stageStates[kStages][32] = {};
  Texture* textures[kStages] = {nullptr, nullptr, nullptr, nullptr};
  Viewport viewport{0, 0, 0, 0, 0.0f, 1.0f};
  Matrix transforms[4] = {};
  int targetWidth = 0, targetHeight = 0;
  GLuint targetFramebuffer = 0;
  // The bound target's Z surface, when it has one, and its depth texture: brought to the GPU by the first draw that
  // tests depth after the Z surface changed in memory, read back only when a draw wrote depth.
  dd::Surface* targetZ = nullptr;
  GLuint targetDepth = 0;

  ~Impl() {
    for (auto& t : surfaceTargets) Delete(t);
    glDeleteSamplers(kStages, samplers);
    glDeleteBuffers(1, &vbo);
    glDeleteBuffers(1, &ibo);
    glDeleteVertexArrays(1, &vao);
    for (const Program& p : programs) glDeleteProgram(p.program);
  }
};

Device::~Device() {
  if (inScene_) GlScope::SceneClosed();
}

void Device::SyncSurface(dd::Surface* surface, dd::Access access, std::uint32_t fillValue) {
  Impl& s = *impl_;
  const BusyScope busy(owner_);
  for (auto it = s.surfaceTargets.begin(); it != s.surfaceTargets.end();) {
    Impl::SurfaceTarget& t = *it;
    if (t.surface == surface) {
      if (access == dd::Access::kRelease) {
        Impl::Delete(t);
        it = s.surfaceTargets.erase(it);
        continue;
      }
      if (access == dd::Access::kFill) {
        // The same fill on the GPU's copy: both sides stay equal without a transfer.
        std::uint8_t rgba[4];
        std::uint8_t raw[4] = {};
        std::memcpy(raw, &fillValue, static_cast<std::size_t>(BytesOf(surface->Format())));
        Converter(surface->Format()).ToRgba(raw, 1, rgba);
        if (surface->Format().maskA == 0) rgba[3] = static_cast<std::uint8_t>(fillValue >> 24);
        glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(rgba[0] / 255.0f, rgba[1] / 255.0f, rgba[2] / 255.0f, rgba[3] / 255.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        // Wait for the clear: the frame's draws then start on an idle rasteriser, as they did after an upload.
        // Left queued, a software rasteriser (llvmpipe) bins every following draw behind it and a frame of small
        // draws costs ten times as much.
        glFinish();
        t.colourOnGpu = false;
        t.colourStale = false;
      } else {
        if (t.colourOnGpu) {
          std::uint8_t* pixels = nullptr;
          int pitch = 0;
          if (surface->Lock(nullptr, dd::kLockWait, &pixels, &pitch) == dd::kOk) {
            ReadPixelsInto(t.framebuffer, pixels, pitch, t.width, t.height, surface->Format());
            surface->Unlock();
            ++owner_->surfaceReadBacks_;
          }
          t.colourOnGpu = false;
        }
        if (access == dd::Access::kChange) t.colourStale = true;
      }
    }
    if (t.zSurface == surface && t.zSurface != nullptr) {
      if (access == dd::Access::kRelease) {
        t.zSurface = nullptr;
        t.depthOnGpu = false;
        t.depthStale = true;
      } else if (access == dd::Access::kFill) {
        glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
        glDisable(GL_SCISSOR_TEST);
        glDepthMask(GL_TRUE);
        glClearDepth(static_cast<double>(fillValue & 0xFFFF) / 65535.0);
        glClear(GL_DEPTH_BUFFER_BIT);
        t.depthOnGpu = false;
        t.depthStale = false;
      } else {
        std::uint8_t* depth = nullptr;
        int pitch = 0;
        if (t.depthOnGpu && surface->Lock(nullptr, dd::kLockWait, &depth, &pitch) == dd::kOk) {
          glBindFramebuffer(GL_READ_FRAMEBUFFER, t.framebuffer);
          glPixelStorei(GL_PACK_ALIGNMENT, 2);
          glPixelStorei(GL_PACK_ROW_LENGTH, pitch / 2);
          glReadPixels(0, 0, t.width, t.height, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, depth);
          glPixelStorei(GL_PACK_ROW_LENGTH, 0);
          surface->Unlock();
        }
        t.depthOnGpu = false;
        if (access == dd::Access::kChange) t.depthStale = true;
      }
    }
    ++it;
  }
}

void Device::ReadBackSurfaces() {
  for (auto& t : impl_->surfaceTargets) {
    if (t.colourOnGpu) SyncSurface(t.surface, dd::Access::kRead, 0);
    if (t.zSurface != nullptr && t.depthOnGpu) SyncSurface(t.zSurface, dd::Access::kRead, 0);
  }
}

void Device::Flip(dd::Surface* const* ring, int count) {
  Impl& s = *impl_;
  bool known = false, sameSize = true;
  for (int i = 0; i < count; ++i) {
    known = known || s.Find(ring[i]) != nullptr;
    sameSize = sameSize && ring[i]->Width() == ring[0]->Width() && ring[i]->Height() == ring[0]->Height();
  }
  if (!known) return;
  if (!sameSize) {
    // Buffers that cannot trade textures: the drawing comes back into memory and moves there.
    for (int i = 0; i < count; ++i) SyncSurface(ring[i], dd::Access::kChange, 0);
    return;
  }
  // Every buffer gets a target, so each has a colour texture to pass on.
  for (int i = 0; i < count; ++i) {
    if (s.Find(ring[i]) == nullptr) s.Add(ring[i]);
  }
  std::vector<Impl::SurfaceTarget*> targets(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) targets[static_cast<std::size_t>(i)] = s.Find(ring[i]);
  // Each buffer takes the next one's colour texture and which side was newer; the framebuffers (with the Z
  // surface's depth texture attached to the back buffer's) stay with their surfaces.
  const Impl::SurfaceTarget first = *targets.front();
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const Impl::SurfaceTarget& next = i + 1 < targets.size() ? *targets[i + 1] : first;
    targets[i]->texture = next.texture;
    targets[i]->colourOnGpu = next.colourOnGpu;
    targets[i]->colourStale = next.colourStale;
  }
  for (Impl::SurfaceTarget* t : targets) {
    glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->texture, 0);
  }
}

Result Device::EnumTextureFormats(const std::function<bool(const PixelFormat&)>& callback) const {
  for (const auto& f : TextureFormats()) {
    if (!callback(f)) break;
  }
  return dd::kOk;
}

Result Device::SetRenderTarget(RenderTarget target) {
  const GlScope gl;
  if (target.surface == nullptr && target.texture == nullptr) return dd::kErrInvalidParams;
  if (target == target_) return dd::kOk;
  if (inScene_) ReadBackTarget();
  target_ = target;
  targetUploaded_ = false;
  return dd::kOk;
}

// Makes the target's framebuffer current, bringing the target's memory pixels to the GPU the first time in a scene.
Result Device::BindTarget() {
  Impl& s = *impl_;
  if (target_.texture != nullptr) {
    Texture* t = target_.texture;
    if (t->lost_) return dd::kErrSurfaceLost;
    if (t->glFramebuffer_ == 0) {
      glGenFramebuffers(1, &t->glFramebuffer_);
      glBindFramebuffer(GL_FRAMEBUFFER, t->glFramebuffer_);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->glTexture_, 0);
    }
    if (t->uploadPending_) {
      UploadPixels(t->glTexture_, t->pixels_.data(), t->pitch_, t->width_, t->height_, t->format_, false);
      t->uploadPending_ = false;
    }
    s.targetFramebuffer = t->glFramebuffer_;
    s.targetZ = nullptr;
    s.targetWidth = t->width_;
    s.targetHeight = t->height_;
  } else {
    dd::Surface* surface = target_.surface;
    Impl::SurfaceTarget* it = s.Find(surface);
    if (it == nullptr) it = &s.Add(surface);
    // The attached Z surface, as a depth texture of the framebuffer.
    dd::Surface* z = ZSurfaceOf(surface);
    if (z != it->zSurface) {
      glBindFramebuffer(GL_FRAMEBUFFER, it->framebuffer);
      if (z != nullptr && it->depth == 0) {
        glGenTextures(1, &it->depth);
        glBindTexture(GL_TEXTURE_2D, it->depth);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT16, it->width, it->height, 0, GL_DEPTH_COMPONENT,
                     GL_UNSIGNED_SHORT, nullptr);
      }
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, z != nullptr ? it->depth : 0, 0);
      it->zSurface = z;
      it->depthOnGpu = false;
      it->depthStale = true;
    }
    if (it->colourStale) {
      std::uint8_t* pixels = nullptr;
      int pitch = 0;
      if (surface->Lock(nullptr, dd::kLockReadOnly, &pixels, &pitch) != dd::kOk) return dd::kErrSurfaceLost;
      UploadPixels(it->texture, pixels, pitch, it->width, it->height, surface->Format(), false);
      surface->Unlock();
      it->colourStale = false;
      ++owner_->surfaceUploads_;
    }
    s.targetZ = z;
    s.targetDepth = it->depth;
    s.targetFramebuffer = it->framebuffer;
    s.targetWidth = it->width;
    s.targetHeight = it->height;
  }
  targetUploaded_ = true;
  const PixelFormat& targetFormat = target_.texture != nullptr ? target_.texture->format_ : target_.surface->Format();
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, targetFormat.maskA != 0 ? GL_TRUE : GL_FALSE);
  glBindFramebuffer(GL_FRAMEBUFFER, s.targetFramebuffer);
  glViewport(0, 0, s.targetWidth, s.targetHeight);
  return dd::kOk;
}

// Writes what the GPU drew into a texture target back into its memory pixels. A surface target's drawing stays on
// the GPU until its memory is read or changed (SyncSurface).
void Device::ReadBackTarget() {
  if (!targetUploaded_) return;
  const BusyScope busy(owner_);
  targetUploaded_ = false;
  if (target_.texture != nullptr) ReadBack(target_.texture);
  targetUploaded_ = false;
}

void Device::ReadBack(Texture* texture) {
  if (!texture->drawnOnGpu_ || texture->glFramebuffer_ == 0) return;
  ReadPixelsInto(texture->glFramebuffer_, texture->pixels_.data(), texture->pitch_, texture->width_,
                 texture->height_, texture->format_);
  texture->drawnOnGpu_ = false;
  texture->uploadPending_ = false;
  if (target_.texture == texture) targetUploaded_ = true;
}

Result Device::BeginScene() {
  if (inScene_) return kErrSceneInScene;
  inScene_ = true;
  GlScope::SceneOpened();
  targetUploaded_ = false;
  return dd::kOk;
}

Result Device::EndScene() {
  const GlScope gl;
  if (!inScene_) return kErrSceneNotInScene;
  ReadBackTarget();
  inScene_ = false;
  GlScope::SceneClosed();
  return dd::kOk;
}

Result Device::SetRenderState(RenderState state, std::uint32_t value) {
  if (state >= 256) return dd::kErrInvalidParams;
  impl_->renderStates[state] = value;
  return dd::kOk;
}

std::uint32_t Device::GetRenderState(RenderState state) const { return state < 256 ? impl_->renderStates[state] : 0; }

Result Device::SetTextureStageState(int stage, StageState state, std::uint32_t value) {
  if (stage < 0 || stage >= kStages || state >= 32) return dd::kErrInvalidParams;
  impl_->stageStates[stage][state] = value;
  return dd::kOk;
}

std::uint32_t Device::GetTextureStageState(int stage, StageState state) const {
  if (stage < 0 || stage >= kStages || state >= 32) return 0;
  return impl_->stageStates[stage][state];
}

Result Device::SetTexture(int stage, Texture* texture) {
  if (stage < 0 || stage >= kStages) return dd::kErrInvalidParams;
  impl_->textures[stage] = texture;
  return dd::kOk;
}

Texture* Device::GetTexture(int stage) const { return stage >= 0 && stage < kStages ? impl_->textures[stage] : nullptr; }

Result Device::SetViewport(const Viewport& viewport) {
  if (viewport.width == 0 || viewport.height == 0) return dd::kErrInvalidParams;
  impl_->viewport = viewport;
  return dd::kOk;
}

Result Device::GetViewport(Viewport* viewport) const {
  *viewport = impl_->viewport;
  return dd::kOk;
}

Result Device::SetTransform(TransformType type, const Matrix& matrix) {
  if (type < 1 || type > 3) return dd::kErrInvalidParams;
  impl_->transforms[type] = matrix;
  return dd::kOk;
}

Result Device::GetTransform(TransformType type, Matrix* matrix) const {
  if (type < 1 || type > 3) return dd::kErrInvalidParams;
  *matrix = impl_->transforms[type];
  return dd::kOk;
}

Result Device::DrawPrimitive(PrimitiveType type, std::uint32_t fvf, const void* vertices, int count, std::uint32_t) {
  return Draw(type, fvf, vertices, count, nullptr, 0);
}

Result Device::DrawIndexedPrimitive(PrimitiveType type, std::uint32_t fvf, const void* vertices, int vertexCount,
                                    const std::uint16_t* indices, int indexCount, std::uint32_t) {
  if (indices == nullptr) return dd::kErrInvalidParams;
  for (int i = 0; i < indexCount; ++i) {
    if (indices[i] >= vertexCount) return dd::kErrInvalidParams;
  }
  return Draw(type, fvf, vertices, vertexCount, indices, indexCount);
}

Result Device::Draw(PrimitiveType type, std::uint32_t fvf, const void* vertices, int vertexCount,
                    const std::uint16_t* indices, int indexCount) {
  const GlScope gl;
  if (!inScene_) return kErrSceneNotInScene;
  if (owner_->lost_) return dd::kErrSurfaceLost;
  if (target_.surface == nullptr && target_.texture == nullptr) return dd::kErrInvalidParams;
  const int stride = VertexSize(fvf);
  if (stride == 0 || vertices == nullptr || vertexCount <= 0) return dd::kErrInvalidParams;
  if (!ValidPrimitiveCount(type, indices != nullptr ? indexCount : vertexCount)) return dd::kErrInvalidParams;
  const BusyScope busy(owner_);
  const Result bound = BindTarget();
  if (bound != dd::kOk) return bound;
  Impl& s = *impl_;
  const std::uint32_t* rs = s.renderStates;

  // Stages: textures, samplers, operations. The cascade ends at the first disabled colour operation.
  ProgramKey key{};
  key.flat = rs[kRsShadeMode] == kShadeGouraud ? 0 : 1;
  GLfloat keys[kStages * 3] = {};
  for (int i = 0; i < kStages; ++i) {
    Texture* t = s.textures[i];
    const std::uint32_t* st = s.stageStates[i];
    const bool has = t != nullptr && !t->lost_;
    key.values[0][i] = has ? 1 : 0;
    key.values[1][i] = static_cast<std::int32_t>(st[kTssTexCoordIndex] & 1);
    const StageState order[6] = {kTssColorOp, kTssColorArg1, kTssColorArg2, kTssAlphaOp, kTssAlphaArg1, kTssAlphaArg2};
    for (int k = 0; k < 6; ++k) key.values[3 + k][i] = static_cast<std::int32_t>(st[order[k]]);
    glActiveTexture(GL_TEXTURE0 + i);
    if (has) {
      if (t->drawnOnGpu_ && t != target_.texture) ReadBack(t);
      if (t->uploadPending_) {
        UploadPixels(t->glTexture_, t->pixels_.data(), t->pitch_, t->width_, t->height_, t->format_, false);
        t->uploadPending_ = false;
      }
      glBindTexture(GL_TEXTURE_2D, t->glTexture_);
      const GLint filterMag = st[kTssMagFilter] == kFilterLinear ? GL_LINEAR : GL_NEAREST;
      const GLint filterMin = st[kTssMinFilter] == kFilterLinear ? GL_LINEAR : GL_NEAREST;
      const GLint wrap = st[kTssAddress] == kAddressWrap ? GL_REPEAT : GL_CLAMP_TO_EDGE;
      glSamplerParameteri(s.samplers[i], GL_TEXTURE_MAG_FILTER, filterMag);
      glSamplerParameteri(s.samplers[i], GL_TEXTURE_MIN_FILTER, filterMin);
      glSamplerParameteri(s.samplers[i], GL_TEXTURE_WRAP_S, wrap);
      glSamplerParameteri(s.samplers[i], GL_TEXTURE_WRAP_T, wrap);
      glBindSampler(static_cast<GLuint>(i), s.samplers[i]);
      if (rs[kRsColorKeyEnable] != 0 && t->hasKey_) {
        key.values[2][i] = 1;
        std::uint8_t rgba[4];
        std::uint8_t raw[4] = {};
        std::memcpy(raw, &t->key_, static_cast<std::size_t>(BytesOf(t->format_)));
        Converter(t->format_).ToRgba(raw, 1, rgba);
        for (int k = 0; k < 3; ++k) keys[i * 3 + k] = rgba[k] / 255.0f;
      }
    } else {
      glBindTexture(GL_TEXTURE_2D, 0);
    }
  }
  key.alphaTest = rs[kRsAlphaTestEnable] != 0 ? 1 : 0;
  key.alphaFunc = key.alphaTest != 0 ? static_cast<std::int32_t>(rs[kRsAlphaFunc]) : 0;
  const Impl::Program* program = s.ProgramFor(key);
  if (program == nullptr) return kErrInvalidDevice;
  const ProgramUniforms& u = program->uniforms;
  glUseProgram(program->program);
  glUniform2f(u.targetSize, static_cast<float>(s.targetWidth), static_cast<float>(s.targetHeight));
  glUniform3fv(u.key, kStages, keys);
  const std::uint32_t f = rs[kRsTextureFactor];
  glUniform4f(u.factor, ((f >> 16) & 0xFF) / 255.0f, ((f >> 8) & 0xFF) / 255.0f, (f & 0xFF) / 255.0f,
              ((f >> 24) & 0xFF) / 255.0f);
  glUniform1f(u.alphaRef, static_cast<float>(rs[kRsAlphaRef] & 0xFF));

  // Blending and the viewport, which clips pre-transformed vertices.
  if (rs[kRsAlphaBlendEnable] != 0) {
    glEnable(GL_BLEND);
    glBlendFunc(BlendFactor(rs[kRsSrcBlend]), BlendFactor(rs[kRsDestBlend]));
  } else {
    glDisable(GL_BLEND);
  }
  // The depth test, on a target with a Z surface.
  Impl::SurfaceTarget* surfaceTarget = target_.texture == nullptr ? s.Find(target_.surface) : nullptr;
  if (s.targetZ != nullptr && surfaceTarget != nullptr && rs[kRsZEnable] != 0) {
    std::uint8_t* depth = nullptr;
    int pitch = 0;
    if (surfaceTarget->depthStale && s.targetZ->Lock(nullptr, dd::kLockReadOnly, &depth, &pitch) == dd::kOk) {
      glBindTexture(GL_TEXTURE_2D, s.targetDepth);
      glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
      glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch / 2);
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, s.targetWidth, s.targetHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT,
                      depth);
      glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
      s.targetZ->Unlock();
      surfaceTarget->depthStale = false;
    }
    if (rs[kRsZWriteEnable] != 0) surfaceTarget->depthOnGpu = true;
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(DepthFunc(rs[kRsZFunc]));
    glDepthMask(rs[kRsZWriteEnable] != 0 ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glEnable(GL_SCISSOR_TEST);
  const Viewport& vp = s.viewport;
  if (vp.width != 0 && vp.height != 0) {
    glScissor(static_cast<GLint>(vp.x), static_cast<GLint>(vp.y), static_cast<GLsizei>(vp.width),
              static_cast<GLsizei>(vp.height));
  } else {
    glScissor(0, 0, s.targetWidth, s.targetHeight);
  }

  // Vertices.
  glBindVertexArray(s.vao);
  glBindBuffer(GL_ARRAY_BUFFER, s.vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * stride, vertices, GL_STREAM_DRAW);
  std::uintptr_t offset = 0;
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
  offset += 16;
  auto colourAttribute = [&](GLuint location, std::uint32_t bit, float fallback) {
    if ((fvf & bit) != 0) {
      glEnableVertexAttribArray(location);
      glVertexAttribPointer(location, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<const void*>(offset));
      offset += 4;
    } else {
      glDisableVertexAttribArray(location);
      glVertexAttrib4f(location, fallback, fallback, fallback, fallback);
    }
  };
  colourAttribute(1, kFvfDiffuse, 1.0f);
  colourAttribute(2, kFvfSpecular, 0.0f);
  const std::uint32_t texCount = (fvf >> 8) & 0xF;
  for (GLuint k = 0; k < 2; ++k) {
    if (k < texCount) {
      glEnableVertexAttribArray(3 + k);
      glVertexAttribPointer(3 + k, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
      offset += 8;
    } else {
      glDisableVertexAttribArray(3 + k);
      glVertexAttrib4f(3 + k, 0.0f, 0.0f, 0.0f, 1.0f);
    }
  }
  if (indices != nullptr) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.ibo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount) * 2, indices, GL_STREAM_DRAW);
    glDrawElements(GlPrimitive(type), indexCount, GL_UNSIGNED_SHORT, nullptr);
  } else {
    glDrawArrays(GlPrimitive(type), 0, vertexCount);
  }
  if (target_.texture != nullptr) target_.texture->drawnOnGpu_ = true;
  if (surfaceTarget != nullptr) surfaceTarget->colourOnGpu = true;
  ++drawCalls_;
  return dd::kOk;
}

Result Device::Load(Texture* destination, int x, int y, Texture* source, const Rect* rect, std::uint32_t) {
  const GlScope gl;
  if (destination == nullptr || source == nullptr) return dd::kErrInvalidParams;
  if (destination->lost_ || source->lost_) return dd::kErrSurfaceLost;
  if (destination->lockCount_ != 0 || source->lockCount_ != 0) return dd::kErrSurfaceBusy;
  if (!SameFormat(destination->format_, source->format_)) return dd::kErrInvalidParams;
  const Rect r = rect != nullptr ? *rect : Rect{0, 0, source->width_, source->height_};
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (r.left < 0 || r.top < 0 || w <= 0 || h <= 0 || r.right > source->width_ || r.bottom > source->height_ ||
      x < 0 || y < 0 || x + w > destination->width_ || y + h > destination->height_)
    return dd::kErrInvalidRect;
  ReadBack(source);
  ReadBack(destination);
  const int bytes = BytesOf(source->format_);
  for (int row = 0; row < h; ++row) {
    std::memcpy(destination->pixels_.data() + static_cast<std::ptrdiff_t>(y + row) * destination->pitch_ +
                    static_cast<std::ptrdiff_t>(x) * bytes,
                source->pixels_.data() + static_cast<std::ptrdiff_t>(r.top + row) * source->pitch_ +
                    static_cast<std::ptrdiff_t>(r.left) * bytes,
                static_cast<std::size_t>(w) * bytes);
  }
  destination->uploadPending_ = true;
  return dd::kOk;
}

// ---- Direct3D ---------------------------------------------------------------------------------------------------

// A copy on the GPU of a shown picture, kept while the primary that shows it may still need its pixels.
struct Direct3D::Snapshot {
  int width = 0, height = 0;
  GLuint texture = 0, framebuffer = 0;
  std::weak_ptr<bool> owner;       // expired once the Direct3D object (and its context) is gone
  std::vector<std::uint8_t> kept;  // the pixels, read before the object went while something still held them
  // Writes the pixels (rows `pitch` bytes apart); false when they cannot be read.
  bool Read(std::uint8_t* pixels, int pitch) const {
    if (!kept.empty()) {
      const std::size_t row = static_cast<std::size_t>(width) * 4;
      for (int y = 0; y < height; ++y) {
        std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * pitch, kept.data() + static_cast<std::size_t>(y) * row,
                    row);
      }
      return true;
    }
    const GlScope context;
    if (owner.expired() || !context.ok()) {
      ZeroRows(pixels, pitch, width, height);
      return false;
    }
    ReadPixelsInto(framebuffer, pixels, pitch, width, height, dd::RgbFormat(32));
    return true;
  }
  ~Snapshot() {
    if (owner.expired()) return;
    const GlScope gl;
    if (!gl.ok()) return;
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
  }
};

Direct3D::~Direct3D() {
  dd::SetBeforeReadHook(nullptr);
  dd::SetHoldHook(nullptr);
  dd::SetFlipHook(nullptr);
  const GlScope gl;
  busy_ = true;
  for (auto& device : devices_) device->ReadBackSurfaces();
  // Shown pictures still held (by a primary, by the headless framebuffer) come into memory while the context is here.
  for (const auto& snapshot : snapshots_) {
    if (snapshot.use_count() == 1 || !gl.ok()) continue;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(snapshot->width) * snapshot->height * 4);
    if (snapshot->Read(pixels.data(), snapshot->width * 4)) snapshot->kept = std::move(pixels);
  }
  snapshots_.clear();
  alive_.reset();
  devices_.clear();
  textures_.clear();
}

Result Direct3D::EnumDevices(
    const std::function<bool(const std::string&, const std::string&, const DeviceDesc&)>& callback) const {
  // A rasteriser device and the hardware devices, as a display driver lists them.
  const std::uint32_t depths = kBitDepth16 | kBitDepth32;
  const DeviceDesc rgb{DeviceGuid::kRgb, depths, 0x400, kTextureCapsPow2, 1, 1, 2048, 2048};
  const DeviceDesc hal{DeviceGuid::kHal, depths, 0x400, kTextureCapsPow2, 1, 1, kMaxTextureLength, kMaxTextureLength};
  DeviceDesc tnl = hal;
  tnl.guid = DeviceGuid::kTnLHal;
  if (!callback("RGB Emulation", "RGB Emulation", rgb)) return dd::kOk;
  if (!callback("Direct3D HAL", "Direct3D HAL", hal)) return dd::kOk;
  callback("Direct3D T&L HAL", "Direct3D T&L HAL", tnl);
  return dd::kOk;
}

Result Direct3D::EnumZBufferFormats(DeviceGuid, const std::function<bool(const PixelFormat*)>& callback) const {
  const PixelFormat formats[2] = {dd::ZBufferFormat16(), PixelFormat{32, dd::kPfZBuffer, 0, 32, 0xFFFFFF, 0, 0, 0}};
  for (const auto& f : formats) {
    if (!callback(&f)) return dd::kOk;
  }
  callback(nullptr);
  return dd::kOk;
}

Result Direct3D::CreateDevice(DeviceGuid guid, dd::Surface* target, Device** out) {
  const GlScope gl;
  if (guid != DeviceGuid::kHal && guid != DeviceGuid::kTnLHal) return dd::kErrInvalidParams;
  if (target == nullptr || out == nullptr) return dd::kErrInvalidParams;
  if (!gl.ok()) return kErrInvalidDevice;
  std::unique_ptr<Device> device(new Device());
  device->owner_ = this;
  device->impl_ = std::make_unique<Device::Impl>();
  Device::Impl& s = *device->impl_;
  // The default stage program must compile here, or the context cannot run the device at all.
  if (s.ProgramFor(ProgramKey{}) == nullptr) return kErrInvalidDevice;
  glGenVertexArrays(1, &s.vao);
  glGenBuffers(1, &s.vbo);
  glGenBuffers(1, &s.ibo);
  glGenSamplers(kStages, s.samplers);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  // The device's defaults.
  s.renderStates[kRsShadeMode] = kShadeGouraud;
  s.renderStates[kRsZEnable] = 1;
  s.renderStates[kRsZWriteEnable] = 1;
  s.renderStates[kRsZFunc] = kCmpLessEqual;
  s.renderStates[kRsSrcBlend] = kBlendOne;
  s.renderStates[kRsDestBlend] = kBlendZero;
  s.renderStates[kRsAlphaFunc] = kCmpAlways;
  s.renderStates[kRsTextureFactor] = 0xFFFFFFFF;
  s.renderStates[kRsCullMode] = 3;
  s.renderStates[kRsLighting] = 1;
  s.renderStates[kRsTexturePerspective] = 1;
  for (int i = 0; i < kStages; ++i) {
    std::uint32_t* st = s.stageStates[i];
    st[kTssColorOp] = i == 0 ? kOpModulate : kOpDisable;
    st[kTssColorArg1] = kTaTexture;
    st[kTssColorArg2] = kTaCurrent;
    st[kTssAlphaOp] = i == 0 ? kOpSelectArg1 : kOpDisable;
    st[kTssAlphaArg1] = kTaTexture;
    st[kTssAlphaArg2] = kTaCurrent;
    st[kTssTexCoordIndex] = static_cast<std::uint32_t>(i);
    st[kTssAddress] = kAddressWrap;
    st[kTssMagFilter] = kFilterPoint;
    st[kTssMinFilter] = kFilterPoint;
  }
  s.viewport = Viewport{0, 0, static_cast<std::uint32_t>(target->Width()), static_cast<std::uint32_t>(target->Height()),
                        0.0f, 1.0f};
  device->target_ = RenderTarget{target, nullptr};
  *out = device.get();
  devices_.push_back(std::move(device));
  return dd::kOk;
}

void Direct3D::ReleaseDevice(Device* device) {
  const GlScope gl;
  if (device == nullptr) return;
  // What it drew and memory lacks would go with it.
  {
    const BusyScope busy(this);
    device->ReadBackSurfaces();
  }
  std::erase_if(devices_, [&](const std::unique_ptr<Device>& d) { return d.get() == device; });
}

Result Direct3D::CreateTexture(int width, int height, const PixelFormat& format, Texture** out) {
  const GlScope gl;
  if (out == nullptr || width <= 0 || height <= 0 || width > kMaxTextureLength || height > kMaxTextureLength)
    return dd::kErrInvalidParams;
  const auto& formats = TextureFormats();
  if (std::none_of(formats.begin(), formats.end(), [&](const PixelFormat& f) { return SameFormat(f, format); }))
    return dd::kErrInvalidParams;
  if (!gl.ok()) return kErrInvalidDevice;
  std::unique_ptr<Texture> t(new Texture());
  t->owner_ = this;
  t->width_ = width;
  t->height_ = height;
  t->format_ = format;
  t->pitch_ = (width * BytesOf(format) + 3) & ~3;
  t->pixels_.assign(static_cast<std::size_t>(t->pitch_) * height, 0);
  glGenTextures(1, &t->glTexture_);
  glBindTexture(GL_TEXTURE_2D, t->glTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  SetAlphaSwizzle(t->glTexture_, format);
  *out = t.get();
  textures_.push_back(std::move(t));
  return dd::kOk;
}

void Direct3D::ReleaseTexture(Texture* texture) {
  const GlScope gl;
  if (texture == nullptr) return;
  for (auto& device : devices_) {
    for (auto& bound : device->impl_->textures) {
      if (bound == texture) bound = nullptr;
    }
    if (device->target_.texture == texture) device->target_ = RenderTarget{};
  }
  std::erase_if(textures_, [&](const std::unique_ptr<Texture>& t) { return t.get() == texture; });
}

BusyScope::BusyScope(Direct3D* owner) : owner_(owner), was_(owner->busy_) { owner_->busy_ = true; }
BusyScope::~BusyScope() { owner_->busy_ = was_; }

bool Direct3D::FlushDrawsInto(const dd::Surface* surface) {
  auto drawsInto = [&](const std::unique_ptr<Device>& d) {
    return d->target_.texture == nullptr && d->target_.surface != nullptr &&
           (d->target_.surface == surface || ZSurfaceOf(d->target_.surface) == surface);
  };
  if (!beforeReadBack_ || std::none_of(devices_.begin(), devices_.end(), drawsInto)) return false;
  beforeReadBack_();
  return true;
}

void Direct3D::ReadBackDrawnSurface(dd::Surface* surface, dd::Access access, std::uint32_t fillValue) {
  // The device's own locks (its uploads and read-backs, inside the flush too) need nothing.
  if (busy_) return;
  const BusyScope busy(this);
  // Draws still batched for the surface go to the device first (they may be its first).
  if (access != dd::Access::kRelease) FlushDrawsInto(surface);
  auto knows = [&](const std::unique_ptr<Device>& d) {
    const auto& targets = d->impl_->surfaceTargets;
    return std::any_of(targets.begin(), targets.end(), [&](const Device::Impl::SurfaceTarget& t) {
      return t.surface == surface || (t.zSurface != nullptr && t.zSurface == surface);
    });
  };
  if (std::none_of(devices_.begin(), devices_.end(), knows)) return;
  const GlScope gl;
  if (!gl.ok()) return;
  for (auto& device : devices_) device->SyncSurface(surface, access, fillValue);
}

std::shared_ptr<dd::HeldPicture> Direct3D::HoldShown(dd::Surface* source, const Rect& rect, bool lasting) {
  if (busy_) return nullptr;
  {
    const BusyScope busy(this);
    FlushDrawsInto(source);
  }
  const Device::Impl::SurfaceTarget* target = nullptr;
  for (auto& device : devices_) {
    const Device::Impl::SurfaceTarget* t = device->impl_->Find(source);
    if (t != nullptr && t->colourOnGpu) target = t;
  }
  if (target == nullptr) return nullptr;
  const GlScope gl;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (!gl.ok() || w <= 0 || h <= 0 || rect.left < 0 || rect.top < 0 || rect.right > target->width ||
      rect.bottom > target->height) {
    // Nothing shows the GPU's copy: memory gets the drawing.
    ReadBackDrawnSurface(source, dd::Access::kRead, 0);
    return nullptr;
  }
  ++gpuPresents_;
  auto held = std::make_shared<dd::HeldPicture>();
  held->width = w;
  held->height = h;
  if (!lasting && w == target->width && h == target->height) {
    // Shown as it is, for the present's length: nothing draws into it before that ends.
    held->handle = target->framebuffer;
    held->read = [this, framebuffer = target->framebuffer, w, h](std::uint8_t* pixels, int pitch) {
      const GlScope context;
      if (!context.ok()) return ZeroRows(pixels, pitch, w, h);
      ReadPixelsInto(framebuffer, pixels, pitch, w, h, dd::RgbFormat(32));
      ++surfaceReadBacks_;
    };
    return held;
  }
  // The picture is copied on the GPU, so drawing may go on into the source while the copy is shown or kept.
  std::shared_ptr<Snapshot> snapshot;
  for (const auto& free : snapshots_) {
    if (free.use_count() == 1 && free->width == w && free->height == h) snapshot = free;
  }
  if (snapshot == nullptr) {
    std::erase_if(snapshots_, [](const std::shared_ptr<Snapshot>& p) { return p.use_count() == 1; });
    snapshot = std::make_shared<Snapshot>();
    snapshot->width = w;
    snapshot->height = h;
    snapshot->owner = alive_;
    glGenTextures(1, &snapshot->texture);
    glBindTexture(GL_TEXTURE_2D, snapshot->texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &snapshot->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, snapshot->framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, snapshot->texture, 0);
    snapshots_.push_back(snapshot);
  }
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, snapshot->framebuffer);
  glBlitFramebuffer(rect.left, rect.top, rect.right, rect.bottom, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  held->handle = snapshot->framebuffer;
  held->read = [this, snapshot](std::uint8_t* pixels, int pitch) {
    const bool fromGpu = snapshot->kept.empty() && !snapshot->owner.expired();
    if (snapshot->Read(pixels, pitch) && fromGpu) ++surfaceReadBacks_;
  };
  return held;
}

void Direct3D::Flip(dd::Surface* const* ring, int count) {
  if (busy_) return;
  const BusyScope busy(this);
  // Draws still batched for a buffer go to the device first.
  for (int i = 0; i < count; ++i) {
    if (FlushDrawsInto(ring[i])) break;
  }
  const GlScope gl;
  for (auto& device : devices_) {
    if (gl.ok()) {
      device->Flip(ring, count);
      continue;
    }
    // Without the context what the GPU holds cannot be reached: memory's pixels are all there is.
    for (int i = 0; i < count; ++i) {
      if (Device::Impl::SurfaceTarget* t = device->impl_->Find(ring[i])) {
        t->colourOnGpu = false;
        t->colourStale = true;
      }
    }
  }
}

std::string Direct3D::RendererName() const {
  const GlScope gl;
  return GlRendererName();
}

void Direct3D::SimulateDeviceLoss() {
  {
    const GlScope gl;
    const BusyScope busy(this);
    for (auto& device : devices_) device->ReadBackSurfaces();
  }
  lost_ = true;
  for (auto& t : textures_) {
    t->lost_ = true;
    t->drawnOnGpu_ = false;
  }
}

Result CreateDirect3D(dd::DirectDraw* directDraw, std::unique_ptr<Direct3D>* out) {
  if (directDraw == nullptr || out == nullptr) return dd::kErrInvalidParams;
  if (!EnsureGlContext()) return dd::kErrNoInterface;
  std::unique_ptr<Direct3D> object(new Direct3D());
  object->directDraw_ = directDraw;
  object->alive_ = std::make_shared<bool>(true);
  // A surface the device drew into and that is read or changed in memory (locked, blitted) gets the drawing first,
  // scene or not; one that is shown is shown from the GPU where the window's context can.
  Direct3D* self = object.get();
  dd::SetBeforeReadHook([self](dd::Surface* surface, dd::Access access, std::uint32_t fillValue) {
    self->ReadBackDrawnSurface(surface, access, fillValue);
  });
  dd::SetHoldHook([self](dd::Surface* source, const Rect& rect, bool lasting) {
    return self->HoldShown(source, rect, lasting);
  });
  dd::SetFlipHook([self](dd::Surface* const* ring, int count) { self->Flip(ring, count); });
  *out = std::move(object);
  return dd::kOk;
}

}  // namespace platform::d3d
