// The drawing operations: a graphic, part of a graphic, or a primitive on the current draw screen, clipped by the
// draw area and drawn under the draw state's blend mode and brightness. Every graphic goes through the 2D path (the
// software renderer on a software screen, the screen lock protocol otherwise). In the software screen model a draw
// aimed at the front screen reloads the front image from the primary first and writes the drawn rectangle back to
// the primary afterwards.
#pragma once

#include <cstdint>

int DrawGraphAtBody(int x, int y, int handle, int transparent);
int DrawGraphStretchedBody(int x1, int y1, int x2, int y2, int handle, int transparent);
int DrawGraphMirroredBody(int x, int y, int handle, int transparent);
int DrawGraphPartBody(int x, int y, int srcX, int srcY, int width, int height, int handle, int transparent,
                      int mirror);
// The source rectangle stretched into the destination; x2 < x1 or y2 < y1 mirrors that axis.
int DrawGraphPartStretched(int x1, int y1, int x2, int y2, int srcX, int srcY, int srcW, int srcH, int handle,
                           int transparent);
int DrawRotatedGraphF(float x, float y, double scale, double angle, int handle, int transparent, int mirror);
int DrawGraphRotatedBody(int x, int y, double scale, double angle, int handle, int transparent, int mirror);
int DrawQuadGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int handle,
                  int transparent);
int DrawLineSegmentBody(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawBoxFrame(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawRectangleBody(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill);
int DrawEllipseBody(int x, int y, int rx, int ry, std::uint32_t colour, int fill);
