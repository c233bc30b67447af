// The Direct3D side of the graphics layer: texture tiles (Surface3DData) and their table, the texture formats, the
// device records with their state cache and vertex batch, the render-state setters and stage set-up, the primitive
// drawers and the screen-to-graphic copies. Everything runs on the main thread under the API lock.
//
// The layer is up when InitDirect3D found a device over the display device's DirectDraw object (platform/d3d); then
// Use3D is 1 and new graphics become textures. The platform decides whether a device can be had at all: on the
// desktop by default (the window's GL context), headless only with ENGINE_D3D=egl, never with ENGINE_D3D=off.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/graphics/color_data.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_image.h"
#include "platform/d3d/d3d.h"

// ---- Tiles ------------------------------------------------------------------------------------------------------

// One pre-transformed textured vertex (format 0x144).
struct D3DVertex {
  float x, y, z, rhw;
  std::uint32_t colour;
  float u, v;
};
static_assert(sizeof(D3DVertex) == 28);

// An untextured vertex (format 0x044).
struct D3DPlainVertex {
  float x, y, z, rhw;
  std::uint32_t colour;
};
static_assert(sizeof(D3DPlainVertex) == 20);

// A vertex with a blend texture (format 0x2C4): the blend graphic's coordinates first, then the graphic's own.
struct D3DBlendVertex {
  float x, y, z, rhw;
  std::uint32_t colour, specular;
  float bu, bv, u, v;
};
static_assert(sizeof(D3DBlendVertex) == 40);

inline constexpr std::int32_t kSurface3DHandleType = 0x30000000;
inline constexpr int kMaxSurface3D = 65536;

struct Surface3DData {
  std::uint32_t Id;
  std::int32_t* LostFlag;
  std::uint16_t X, Y;              // position inside the graphic
  std::uint16_t TextureX, TextureY;  // where the pixels start inside the texture
  std::uint16_t SourceX, SourceY;  // where the pixels start in the graphic's source image
  std::uint16_t Width, Height;
  D3DVertex Vertices[4];           // top-left, top-right, bottom-left, bottom-right
  std::uint8_t CornerFlags[4];
  std::int32_t Owner;
  std::int32_t Texture;            // SurfaceData handle
};

using Surface3DTable = HandleTable<Surface3DData, kMaxSurface3D, kSurface3DHandleType>;
extern Surface3DTable g_Surface3DTable;

Surface3DData* GetSurface3DData(int handle);
int AddSurface3DData(int textureWidth, int textureHeight, int x, int y, int width, int height, int sourceX,
                     int sourceY, int owner, const Surface3DData* parent, int textureX, int textureY,
                     const GraphFlagBytes* flags);
int DeleteSurface3DData(int handle);
int UnlockSurface3DDataTexture(int handle, const RECT* rect);
int RestoreGraphTextures(const GraphData* graph);
int RestoreAllSurface3DData();
int DivideTextureLength(int length, int* lengths, int flag);
int CreateGraphTextures(GraphData* graph);
int DeriveGraphTextures(GraphData* graph, int x, int y, int width, int height, const GraphData* parent);
int DeleteGraphTextures(GraphData* graph);
int FillGraphTextures(const GraphData* graph, int r, int g, int b, int a);
// Source: an engine image and an optional alpha image (the GDI-bitmap source kind does not exist here).
int TransferImageToTexture(const ImageRect* rect, int destX, int destY, int tileHandle, const GraphImage* image,
                           const GraphImage* alpha, int option);
int TransferImageToGraphTextures(int sourceX, int sourceY, const GraphData* graph, const GraphImage* image,
                                 const GraphImage* alpha);
int TransferRectToGraphTextures(const ImageRect* rect, int x, int y, const GraphData* graph,
                                const GraphImage* image, const GraphImage* alpha);
void ResetSurface3DTableForTests();

// ---- Texture formats ---------------------------------------------------------------------------------------------

struct TextureFormatEntry {
  DDPixelFormat pixelFormat;
  ColorData colorData;
};
int GetTextureFormatIndex(const GraphFlagBytes* flags);
const ColorData* SelectTextureColorData(const GraphFlagBytes* flags);
const TextureFormatEntry* GetTextureFormat(int index);
const ColorData* GetTextureFormatColorData(int index);
const DDPixelFormat* GetZBufferPixelFormat();
const ColorData* GetTextureColorData(int alphaChannel, int alphaTest, int bits32, int drawValid);

// ---- Device records ----------------------------------------------------------------------------------------------

inline constexpr int kMaxD3DDevices = 4;
inline constexpr int kBatchCapacity[3] = {3225, 2340, 1638};

struct StageCacheEntry {
  platform::d3d::Texture* texture;
  std::int16_t states[6];  // alpha arg 1, alpha arg 2, alpha op, colour arg 1, colour arg 2, colour op
};

struct Direct3DDeviceRecord {
  std::int32_t inUse;
  platform::d3d::Device* device;
  platform::d3d::RenderTarget baseTarget;
  platform::d3d::RenderTarget currentTarget;  // both null: the base target
  platform::d3d::Texture* texture;
  platform::d3d::Texture* blendTexture;
  std::int32_t borderParam, borderRange;
  std::int32_t modulateByDiffuse, alphaFromDiffuse;
  std::int32_t blendMode, alphaBlend, alphaTest;
  std::int32_t stageSetupPending, textureChangePending, skipDrawing, resendAll;
  // Cached render states.
  std::int32_t alphaTestEnable, alphaRef, alphaFunc, alphaBlendEnable;
  std::uint32_t textureFactor;
  std::int32_t srcBlend, destBlend;
  std::int32_t stagesInUse;
  StageCacheEntry stages[4];
  std::int32_t sceneOpen;
  std::int32_t filter;
  std::int32_t zEnable, zWrite, shadeMode, addressMode, perspective, lighting, colorKeyEnable;
  // The vertex batch.
  std::uint8_t* writePointer;
  std::int32_t pendingCount;
  std::int32_t vertexType;
  std::int32_t primitiveType;
  platform::d3d::Viewport viewport;
  std::uint8_t* buffers[3];
  alignas(8) std::uint8_t buffer0[3225 * 20];
  alignas(8) std::uint8_t buffer1[2340 * 28];
  alignas(8) std::uint8_t buffer2[1638 * 40];
};

struct Direct3DState {
  std::unique_ptr<platform::d3d::Direct3D> object;
  int currentDevice;
  platform::d3d::DeviceDesc deviceDesc;
  DDPixelFormat zFormat;
  TextureFormatEntry formats[9];
  int minTextureLength, maxTextureLength;
  int flushAfterEachDraw;
  int suppressed;  // Direct3DSuppressed
  int copyMethodPlain, copyMethodAlpha;
  int fourCornerWord;
  int initialised;
};
extern Direct3DState g_D3D;
extern Direct3DDeviceRecord g_D3DDevices[kMaxD3DDevices];

// The record of a device word when the layer is up and the record in use; else null.
Direct3DDeviceRecord* D3DRecord(int device);
Direct3DDeviceRecord* CurrentD3DRecord();

// ---- Device (start-up, shut-down, rebuild) ------------------------------------------------------------------------

int InitDirect3D();
int CreateDirect3DDevice(platform::dd::Surface* target);
int TerminateDirect3D();
int IsDirect3DUp();
int ReleaseDirect3DForRestore();
int ReacquireDirect3D();
int RecreateDirect3DDevice(int handle);
void ReapplyDeviceStates(int handle);
int G_D3D_SetTargetViewport(int maskTarget);
void G_D3D_EndScene();
int DeleteAllSurface3DData();
int ResetSurface3DDataTable();

// ---- Render state ------------------------------------------------------------------------------------------------

int G_D3D_FlushDeviceBatch(int device);
void G_D3D_FlushVertexBatch();
platform::d3d::Device* G_D3D_GetDevice();
int G_D3D_SetTexturePerspective(int device, int value);
int G_D3D_SetColorKeyEnable(int device, int value);
int G_D3D_SetZEnable(int device, int value);
int G_D3D_SetZWriteEnable(int device, int value);
int G_D3D_SetShadeMode(int device, int value);
int G_D3D_SetTextureFilter(int device, int filter);
int G_D3D_SetRenderTarget(int device, platform::d3d::RenderTarget target);
int G_D3D_SetViewport(int device, const platform::d3d::Viewport& viewport);
int G_D3D_SetBlendMode(int device, int mode, int alphaBlend, int alphaTest);
int G_D3D_SetTexture(int device, platform::d3d::Texture* texture);
int G_D3D_SetBlendTexture(int device, platform::d3d::Texture* texture, int borderParam, int borderRange);
int G_D3D_SetDiffuseAlphaFlag(int device, int flag);
int G_D3D_SetDiffuseColorFlag(int device, int flag);
int G_D3D_ApplyDrawStates(int device);
int G_D3D_ApplyDefaultStates(int device);
int G_D3D_CopyDrawStates(int from, int to);
int G_D3D_BeginScene();
int G_D3D_EndSceneOnDevice(int device);
int G_D3D_SetViewportRect(const RECT* rect);
int G_D3D_SetWorldTransform(const float* matrix);
int G_D3D_SetViewTransform(const float* matrix);
int G_D3D_SetProjectionTransform(const float* matrix);
int G_D3D_SetTextureFilterCurrent(int filter);
int UpdateD3DDrawColor();
std::uint32_t D3DDrawColor();
int G_D3D_DrawGridStrips(int device, int columns, const D3DVertex* vertices, int rows);
int G_D3D_ReleaseDeviceObjects(int device);
int G_D3D_ReleaseAllDevices();
// Makes room for count vertices of the record's vertex type and primitive type (drawing the batch first when the
// type differs or the room is short) and returns where to write them; the caller then calls CommitBatch.
std::uint8_t* ReserveBatch(Direct3DDeviceRecord* record, int primitiveType, int count);
void CommitBatch(Direct3DDeviceRecord* record, int count);

// ---- Drawing -----------------------------------------------------------------------------------------------------

void G_D3D_PrepareDrawState(int flags, const Surface3DData* tile);
int G_D3D_DrawGraphAt(float x, float y, const GraphData* graph, int transparent, int integerFlag);
int G_D3D_DrawGraphStretched(float x1, float y1, float x2, float y2, const GraphData* graph, int transparent,
                             int integerFlag);
int G_D3D_DrawGraphRotated(float x, float y, double scale, double angle, const GraphData* graph, int transparent,
                           int mirror);
int G_D3D_DrawGraphQuadF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                         const GraphData* graph, int transparent);
int G_D3D_DrawGraphQuad(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                        int transparent);
int G_D3D_DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
int G_D3D_DrawLineSegment(int x1, int y1, int x2, int y2, std::uint32_t colour);
int G_D3D_DrawBoxFrame(int x1, int y1, int x2, int y2, std::uint32_t colour);
int G_D3D_DrawCircle(int x, int y, int rx, int ry, std::uint32_t colour, int fill);
int G_D3D_SetDrawTarget(int target);
int G_D3D_SetBlendGraph(const GraphData* graph, int param1, int param2);
int G_D3D_ClearDrawScreen();
// Blend mode 3 on the device: invert the destination under a white box, draw in mode 5 (add), invert again.
void BeginBlendMode3Pass(const RECT* rect);
void EndBlendMode3Pass(const RECT* rect);

// ---- Screen-to-graphic copy --------------------------------------------------------------------------------------

// The chooser: the remembered method first, else every method in table order. 0, or -1 when all fail.
int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int windowFront);
// The five methods (table order: 5, 1, 3, 2, 4).
int G_D3D_GetDrawScreenGraphFunction1(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront);
int G_D3D_GetDrawScreenGraphFunction2(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront);
int G_D3D_GetDrawScreenGraphFunction3(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront);
int G_D3D_GetDrawScreenGraphFunction4(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront);
int G_D3D_GetDrawScreenGraphFunction5(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront);
