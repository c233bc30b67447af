// The 4 x 4 matrices of the draw state (row-major floats, points as row vectors: p' = p x M), their builders, and
// the setters that also hand them to the Direct3D device.
#pragma once

struct Matrix4 {
  float m[4][4];
};

struct DrawMatrices {
  Matrix4 world, view, projection, screen;
};
extern DrawMatrices g_DrawMatrices;

void BuildIdentityMatrix(Matrix4* out);
// out = a x b, summed in double precision.
void MultiplyMatrix(Matrix4* out, const Matrix4* a, const Matrix4* b);
void BuildScreenMatrix(Matrix4* out, float cx, float cy, float w, float h);
void BuildLookAtMatrix(Matrix4* out, const float eye[3], const float at[3], const float up[3]);
// -1 (out untouched) when |far - near| < 0.01 or |sin(angle / 2)| < 0.01.
int BuildPerspectiveMatrix(Matrix4* out, float angle, float nearZ, float farZ);

int SetWorldMatrix(const Matrix4* m);
int SetViewMatrix(const Matrix4* m);
int SetProjectionMatrix(const Matrix4* m);
// The matrices for a draw target of w x h: identity world, the screen matrix, a camera that shows the target
// pixel for pixel at z 0 with a 60-degree perspective.
void SetTargetMatrices(int w, int h);
