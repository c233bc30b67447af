// Image decoding: a table of decoders tried in a fixed order over one StreamSource, each filling a GraphImage.
#pragma once

#include <cstdint>

#include "engine/core/stream.h"
#include "engine/graphics/graph_image.h"

// A decoder: 0 when it accepted the stream and filled the image, otherwise refused (no pixel buffer left behind).
using ImageDecoder = int (*)(StreamSource* source, GraphImage* image);

// The built-in decoders in the order tried, ended by a null entry.
extern const ImageDecoder ImageDecoderTable[];

// Decoders registered by the user, tried before the built-in ones.
inline constexpr int kMaxUserImageDecoders = 10;
extern ImageDecoder g_UserImageDecoders[kMaxUserImageDecoders];
extern int g_UserImageDecoderCount;

// Largest pixel buffer a decoder makes (and largest compressed block it reads whole).
inline constexpr std::int64_t kMaxImageBytes = 64 * 1024 * 1024;

int DecodeGraphImage(StreamSource* source, GraphImage* image);

int DecodeBmpImage(StreamSource* source, GraphImage* image);
int DecodeBgraImage(StreamSource* source, GraphImage* image);
int DecodeTgaImage(StreamSource* source, GraphImage* image);
int DecodeDdsImage(StreamSource* source, GraphImage* image);

// The fixed decoder formats besides those of color_data.h.
void SetupARGB32ColorData(ColorData* record);
void SetupXRGB1555ColorData(ColorData* record);

// Decodes a file (through the file layer) or a memory block. With wantDib the image is handed out as a bitmap header
// (MemAlloc, 256 colours) and bits (see GraphImageToDib); otherwise as outImage, which then owns the pixels. With
// repack 1 the pixels are copied through the converting transfer (mirrored) into a new buffer. 0 / -1.
int DecodeImageFile(const char* fileName, const void* memory, int memorySize, int fromMemory, int wantDib, int repack,
                    GraphImage* outImage, BitmapInfo256** outDibHeader, void** outDibBits);
