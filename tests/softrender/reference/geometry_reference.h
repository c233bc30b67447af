// Reference model of the software renderer's geometry: the textured triangle and quad, rotated drawing and lines,
// written plainly (closed forms per row and per pixel, 64-bit integers) and sharing no code with the renderer. The
// per-pixel arithmetic is softref::BlendPixel's (triangles and rotation follow the stretched transfer's rules) apart
// from the one place where they differ.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/softrender/reference/softrender_reference.h"

namespace softref {

// A plain image: w x h pixels as 32-bit values (16-bit pixels in the low half; a 16-bit alpha pixel holds its alpha
// in bits 16-23; palette pixels hold the index).
struct Plane {
  int w = 0, h = 0;
  std::vector<std::uint32_t> px;
  std::uint32_t At(int x, int y) const { return px[static_cast<std::size_t>(y) * w + x]; }
  std::uint32_t& At(int x, int y) { return px[static_cast<std::size_t>(y) * w + x]; }
};

struct Area {
  int left, top, right, bottom;  // right and bottom exclusive
};

// The destination pixel after drawing one sampled texel: BlendPixel with the triangle and rotation rules.
std::uint32_t TexelPixel(const Source& source, const Draw& draw, std::uint32_t src, std::uint32_t dst, int level);

// One candidate pixel of a triangle: destination pixel and texel coordinates (14.18).
struct Sample {
  int x, y;
  std::int64_t u, v;
};

// Every pixel of the triangle's rows inside the area, in drawing order, with its texel coordinates (before the
// test that the texel lies inside the source). Empty for a degenerate triangle.
std::vector<Sample> TriangleSamples(const int vertices[12], const Area& area);

// Draws samples onto dst: a sample whose texel lies inside the source plane is drawn with TexelPixel. `skip`, when
// given, lists per sample whether it is left out. Returns the drawn flags.
std::vector<bool> DrawSamples(const std::vector<Sample>& samples, const Source& source, const Draw& draw,
                              const Plane& src, const Plane* levelPlane, Plane* dst);

// A quad: the first triangle, then the second without the pixels the first drew.
void DrawQuad(const int corners[8], const Source& source, const Draw& draw, const Plane& src,
              const Plane* levelPlane, const Area& area, Plane* dst);

// Rotated drawing without mirroring: the pixels of the box with their texel coordinates; empty when refused.
std::vector<Sample> RotatedSamples(int srcW, int srcH, int x, int y, float angle, float scale, const Area& area);

// The pixels a line draws, in order.
std::vector<std::pair<int, int>> LinePixels(int x1, int y1, int x2, int y2, const Area& area);

}  // namespace softref
