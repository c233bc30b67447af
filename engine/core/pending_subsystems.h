// The subsystem headers that start-up, shut-down, the window procedure and the message pass call into, in one
// include. It holds no code of its own.
#pragma once

#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_ops.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/graphics_init.h"
#include "engine/graphics/present.h"
#include "engine/graphics/screen_copy.h"
#include "engine/graphics/surface2d.h"
#include "platform/window/window.h"

// ---- Movies ----------------------------------------------------------------------------------------------------
#include "engine/graphics/movie.h"

// ---- Sound and music -------------------------------------------------------------------------------------------
#include "engine/sound/sound.h"

// ---- Network and HTTP ------------------------------------------------------------------------------------------
#include "engine/core/http_client.h"
#include "engine/core/network.h"
