// PNG decoding through libpng, reading from a StreamSource.
#pragma once

#include "engine/core/stream.h"
#include "engine/graphics/graph_image.h"

int LoadPngImage(StreamSource* source, GraphImage* image);
