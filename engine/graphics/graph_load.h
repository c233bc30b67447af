// From an image file to a graphic and back again after the display lost its surfaces: loading (with an optional
// "_a" alpha file beside the image), refilling a graphic from an image, deriving a graphic that shows part of
// another, and the restore step that reloads every graphic from its remembered file.
#pragma once

#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/graph_image.h"

int LoadGraphicFileBody(const char* name);
int LoadGraphFromFile(const char* name, int wantTexture, int mirror, int movieOption);
// Builds the alpha file's name: "_a" before the last dot of the whole name, or appended without a dot. -1 when it
// does not fit in `size` bytes.
int MakeAlphaFileName(const char* name, char* out, int size);
// -1: the image was not decoded; 0: image and alpha image; 1: image only.
int DecodeImageWithAlpha(const char* name, const void* memory, int size, const void* alphaMemory, int alphaSize,
                         int fromMemory, int repack, GraphImage* image, GraphImage* alpha);
int CreateGraphForImage(const GraphImage* image, const GraphImage* alpha, int wantTexture);
int CreateGraphFromImage(GraphImage* image, GraphImage* alpha, int wantTexture, int mirror, int mirrorEnable);
int SetGraphFileName(int handle, const char* name);
int RefillGraphFromImage(const char* name, const GraphImage* image, const GraphImage* alpha, int sourceX, int sourceY,
                         int handle, unsigned fillOption);
int DeriveGraph(int x, int y, int width, int height, int source);

// The restore callback (null registers RestoreGraphFromFile).
int SetGraphRestoreHandler(void (*handler)());
int IsRestoreGraphCallbackSet();
int HasGraphRestoreHandler();
void RestoreGraphFromFile();
// Marks every graphic as needing a restore and calls the registered callback.
int RestoreGraphHook();
// One graphic's lost surfaces restored (its textures or its tiles): 0, or -1 when one was lost or the handle is bad.
int RestoreGraphSurface(int handle);
// The main surfaces, then every graphic's; 0 (nothing before graphics are up).
int RestoreAllGraphSurface();
// How many files the last RestoreGraphFromFile decoded.
int RestoreDecodeCount();

// Notes the name (empty when null), the current directory, the source position and the fill option in the record,
// then writes the source rectangle of the image at (x, y) of the graphic, into every tile it overlaps.
int TransferPixelsToGraph(const char* name, const GraphImage* image, const GraphImage* alpha, const ImageRect* srcRect,
                          int x, int y, int handle, unsigned fillOption);
