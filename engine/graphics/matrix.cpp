#include "engine/graphics/matrix.h"

#include <cmath>
#include <cstring>

#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"

DrawMatrices g_DrawMatrices{};

void BuildIdentityMatrix(Matrix4* out) {
  std::memset(out, 0, sizeof *out);
  for (int i = 0; i < 4; ++i) out->m[i][i] = 1.0f;
}

void MultiplyMatrix(Matrix4* out, const Matrix4* a, const Matrix4* b) {
  Matrix4 r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += static_cast<double>(a->m[i][k]) * b->m[k][j];
      r.m[i][j] = static_cast<float>(sum);
    }
  }
  *out = r;
}

void BuildScreenMatrix(Matrix4* out, float cx, float cy, float w, float h) {
  std::memset(out, 0, sizeof *out);
  out->m[0][0] = w * 0.5f;
  out->m[1][1] = h * -0.5f;
  out->m[2][2] = 1.0f;
  out->m[3][3] = 1.0f;
  out->m[3][0] = cx;
  out->m[3][1] = cy;
}

namespace {
void Normalise(float v[3]) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0f) return;
  for (int i = 0; i < 3; ++i) v[i] /= length;
}
void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}
float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
}  // namespace

void BuildLookAtMatrix(Matrix4* out, const float eye[3], const float at[3], const float up[3]) {
  float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
  Normalise(z);
  float x[3];
  Cross(up, z, x);
  Normalise(x);
  float y[3];
  Cross(z, x, y);
  for (int c = 0; c < 3; ++c) {
    out->m[c][0] = x[c];
    out->m[c][1] = y[c];
    out->m[c][2] = z[c];
    out->m[c][3] = 0.0f;
  }
  out->m[3][0] = -Dot(x, eye);
  out->m[3][1] = -Dot(y, eye);
  out->m[3][2] = -Dot(z, eye);
  out->m[3][3] = 1.0f;
}

int BuildPerspectiveMatrix(Matrix4* out, float angle, float nearZ, float farZ) {
  const double s = std::sin(angle / 2.0);
  if (std::fabs(farZ - nearZ) < 0.01 || std::fabs(s) < 0.01) return -1;
  const double c = std::cos(angle / 2.0) / s;
  int w = 640, h = 480;
  QueryScreenSizeBody(&w, &h);
  std::memset(out, 0, sizeof *out);
  out->m[0][0] = static_cast<float>(c * h / w);
  out->m[1][1] = static_cast<float>(c);
  out->m[2][2] = farZ / (farZ - nearZ);
  out->m[3][2] = -out->m[2][2] * nearZ;
  out->m[2][3] = 1.0f;
  return 0;
}

int SetWorldMatrix(const Matrix4* m) {
  g_DrawMatrices.world = *m;
  if (Use3D != 0) G_D3D_SetWorldTransform(&m->m[0][0]);
  return 0;
}

int SetViewMatrix(const Matrix4* m) {
  g_DrawMatrices.view = *m;
  if (Use3D != 0) G_D3D_SetViewTransform(&m->m[0][0]);
  return 0;
}

int SetProjectionMatrix(const Matrix4* m) {
  g_DrawMatrices.projection = *m;
  if (Use3D != 0) G_D3D_SetProjectionTransform(&m->m[0][0]);
  return 0;
}

void SetTargetMatrices(int w, int h) {
  Matrix4 m{};
  BuildIdentityMatrix(&m);
  SetWorldMatrix(&m);
  BuildScreenMatrix(&g_DrawMatrices.screen, w * 0.5f, h * 0.5f, static_cast<float>(w), static_cast<float>(h));
  const float d = static_cast<float>(h / 2) * 1.9098593f;
  const float eye[3] = {w * 0.5f, h * 0.5f, 43.0f - d};
  const float at[3] = {w * 0.5f, h * 0.5f, 44.0f - d};
  const float up[3] = {0.0f, 1.0f, 0.0f};
  BuildLookAtMatrix(&m, eye, at, up);
  SetViewMatrix(&m);
  if (BuildPerspectiveMatrix(&m, 1.0471976f, d * 0.1f, d + 1000.0f) == 0) SetProjectionMatrix(&m);
}
