// JPEG decoding through libjpeg, reading from a StreamSource.
#pragma once

#include "engine/core/stream.h"
#include "engine/graphics/graph_image.h"

int LoadJpegImage(StreamSource* source, GraphImage* image);
