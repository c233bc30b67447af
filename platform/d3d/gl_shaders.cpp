#include "platform/d3d/gl_shaders.h"

namespace platform::d3d {

// Positions are in pixels of the render target, pixel centres on integers. They move by just under half a pixel
// into the GL frame, whose pixel centres lie on halves: an edge on an integer then never passes exactly through a
// pixel centre, and the pixels covered are those a top-left fill rule gives (left and top edges in, right and bottom
// out). Rows are not flipped: GL row r holds the surface's row r.
const char* VertexShaderSource() {
  return R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec4 aDiffuse;
layout(location = 2) in vec4 aSpecular;
layout(location = 3) in vec2 aTex0;
layout(location = 4) in vec2 aTex1;
uniform vec2 uTargetSize;
COLOUR_QUALIFIER out vec4 vDiffuse;
COLOUR_QUALIFIER out vec4 vSpecular;
out vec2 vTex0;
out vec2 vTex1;
void main() {
  vec2 p = aPosition.xy + vec2(0.5 - 1.0 / 512.0);
  gl_Position = vec4(p * 2.0 / uTargetSize - 1.0, clamp(aPosition.z, 0.0, 1.0) * 2.0 - 1.0, 1.0);
  vDiffuse = aDiffuse;
  vSpecular = aSpecular;
  vTex0 = aTex0;
  vTex1 = aTex1;
}
)";
}

// Stage operations and arguments carry the device's numbers (kOp*, kTa*); comparison functions kCmp*. The stage
// program (uHasTex, uCoordIndex, uKeyOn, uColorOp ... uAlphaArg2, uAlphaTest, uAlphaFunc) is compiled in as
// constants, one program per combination, so the cascade folds to straight-line code.
const char* FragmentShaderSource() {
  return R"(
COLOUR_QUALIFIER in vec4 vDiffuse;
COLOUR_QUALIFIER in vec4 vSpecular;
in vec2 vTex0;
in vec2 vTex1;
uniform sampler2D uTex0;
uniform sampler2D uTex1;
uniform sampler2D uTex2;
uniform sampler2D uTex3;
uniform vec3 uKey[4];
uniform vec4 uFactor;
uniform float uAlphaRef;
out vec4 fragColour;

vec4 sampleStage(int i, sampler2D s) {
  if (uHasTex[i] == 0) return vec4(0.0);
  vec4 t = texture(s, uCoordIndex[i] == 0 ? vTex0 : vTex1);
  if (uKeyOn[i] != 0 && all(lessThan(abs(t.rgb - uKey[i]), vec3(0.5 / 255.0)))) discard;
  return t;
}

vec4 argument(int a, vec4 current, vec4 tex) {
  if (a == 0) return vDiffuse;
  if (a == 1) return current;
  if (a == 2) return tex;
  if (a == 3) return uFactor;
  if (a == 4) return vSpecular;
  return vec4(1.0);
}

vec4 operate(int op, vec4 a1, vec4 a2, vec4 current) {
  if (op == 2) return a1;
  if (op == 3) return a2;
  if (op == 4) return a1 * a2;
  if (op == 5) return clamp(a1 * a2 * 2.0, 0.0, 1.0);
  if (op == 6) return clamp(a1 * a2 * 4.0, 0.0, 1.0);
  if (op == 7) return clamp(a1 + a2, 0.0, 1.0);
  if (op == 10) return clamp(a1 - a2, 0.0, 1.0);
  return current;
}

bool readsTexture(int op, int a1, int a2) {
  return (op != 3 && a1 == 2) || (op != 2 && a2 == 2);
}

bool passes(float alpha) {
  float a = floor(alpha * 255.0 + 0.5);
  if (uAlphaFunc == 1) return false;
  if (uAlphaFunc == 2) return a < uAlphaRef;
  if (uAlphaFunc == 3) return a == uAlphaRef;
  if (uAlphaFunc == 4) return a <= uAlphaRef;
  if (uAlphaFunc == 5) return a > uAlphaRef;
  if (uAlphaFunc == 6) return a != uAlphaRef;
  if (uAlphaFunc == 7) return a >= uAlphaRef;
  return true;
}

void main() {
  vec4 tex[4];
  tex[0] = sampleStage(0, uTex0);
  tex[1] = sampleStage(1, uTex1);
  tex[2] = sampleStage(2, uTex2);
  tex[3] = sampleStage(3, uTex3);
  vec4 current = vDiffuse;
  for (int i = 0; i < 4; ++i) {
    if (uColorOp[i] == 1) break;
    // An operation that reads the texture of a stage without one leaves the colour (or alpha) as it is.
    bool noTex = uHasTex[i] == 0;
    vec4 t = tex[i];
    vec4 rgb = (noTex && readsTexture(uColorOp[i], uColorArg1[i], uColorArg2[i]))
                   ? current
                   : operate(uColorOp[i], argument(uColorArg1[i], current, t), argument(uColorArg2[i], current, t),
                             current);
    vec4 alpha = (noTex && readsTexture(uAlphaOp[i], uAlphaArg1[i], uAlphaArg2[i]))
                     ? current
                     : operate(uAlphaOp[i], argument(uAlphaArg1[i], current, t), argument(uAlphaArg2[i], current, t),
                               current);
    current = vec4(rgb.rgb, alpha.a);
  }
  if (uAlphaTest != 0 && !passes(current.a)) discard;
  fragColour = current;
}
)";
}

}  // namespace platform::d3d
