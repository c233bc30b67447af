// Stand-ins for the entry points of subsystems that are not built yet: the rest of graphics, and movies.
// Start-up, shut-down, the window procedure and the message pass call them under
// their final names; each subsystem deletes its stand-ins from here (and only from here) when it lands.
//
// The stand-ins keep just enough state to give the results the callers look at.
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

// ---- Graphics (the display device, screens and present are in engine/graphics/) --------------------------------------------------------------------------------------------------

// ---- Movies ----------------------------------------------------------------------------------------------------
#include "engine/graphics/movie.h"

// ---- Sound and music -------------------------------------------------------------------------------------------
#include "engine/sound/sound.h"

// ---- Network and HTTP ------------------------------------------------------------------------------------------
#include "engine/core/http_client.h"
#include "engine/core/network.h"
