#include "engine/graphics/draw_state.h"

#include <utility>

GraphDrawState g_GraphDrawState{{0, 0, 0, 0}, 0, 0, -1, 0, 0, kNoBrightness, 0};
std::int32_t g_GraphMmxFlag = 0;

void ResetGraphDrawState() { g_GraphDrawState = GraphDrawState{{0, 0, 0, 0}, 0, 0, -1, 0, 0, kNoBrightness, 0}; }

int ClipRect(RECT* a, const RECT* b) {
  if (a->right < a->left) a->right = a->left;
  if (a->bottom < a->top) a->bottom = a->top;
  auto clamp = [](std::int32_t v, std::int32_t lo, std::int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); };
  a->bottom = clamp(a->bottom, b->top, b->bottom);
  a->top = clamp(a->top, b->top, b->bottom);
  a->right = clamp(a->right, b->left, b->right);
  a->left = clamp(a->left, b->left, b->right);
  return 0;
}

void NormalizeRect(RECT* a) {
  if (a->left > a->right) std::swap(a->left, a->right);
  if (a->top > a->bottom) std::swap(a->top, a->bottom);
}

void GetRectSize(const RECT* a, std::int32_t* width, std::int32_t* height) {
  if (width != nullptr) *width = a->right - a->left;
  if (height != nullptr) *height = a->bottom - a->top;
}
