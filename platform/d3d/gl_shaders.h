// The GLSL of the 3D device: one vertex shader for pre-transformed vertices and one fragment shader that runs the
// texture-stage cascade, the colour key and the alpha test from uniforms. Each comes in a flat-shaded variant (the
// first vertex of a primitive gives the colour) and a Gouraud variant.
#pragma once

namespace platform::d3d {

// The sources, to follow a header that defines COLOUR_QUALIFIER ("flat" or nothing) and, for the fragment shader,
// the stage program's constants.
const char* VertexShaderSource();
const char* FragmentShaderSource();

}  // namespace platform::d3d
