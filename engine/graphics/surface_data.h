// Surface data: the storage of one or more tiles of a graphic (a display surface or a memory image), with its
// colour key, a use count shared by the tiles and a nested lock.
#pragma once

#include <cstdint>

#include "engine/graphics/graph_handle.h"
#include "engine/graphics/memimg.h"

inline constexpr std::int32_t kSurfaceDataHandleType = 0x38000000;
inline constexpr int kMaxSurfaceData = 65536;

struct SurfaceData {
  std::uint32_t Id;
  std::int32_t* LostFlag;
  GraphFlagBytes Flags;         // the graphic's eight creation bytes (ExtraByte: made for a palettised image)
  std::uint32_t MemoryImage;    // 1: the storage is Image rather than a display surface
  std::uint32_t FormatIndex;    // 9 display 2D surface; 10 + alpha 16-bit, 12 + alpha 32-bit memory image
  std::uint32_t ZBufferWanted;
  void* Surface;                // the display surface, null for memory images
  MEMIMG Image;
  void* ZSurface;
  MEMIMG ZImage;
  std::uint32_t TransparentColor;  // 0x00RRGGBB
  std::uint16_t Width, Height;
  std::uint32_t UseCount;
  std::uint32_t LockPitch;
  std::uint8_t* LockPointer;
  std::uint32_t LockCount;
};

using SurfaceDataTable = HandleTable<SurfaceData, kMaxSurfaceData, kSurfaceDataHandleType>;
extern SurfaceDataTable g_SurfaceDataTable;

int AddSurfaceData(int useCount, int width, int height, std::uint32_t transparentColor, const GraphFlagBytes* flags);
int CreateSurfaceData(int handle);
int DeleteSurfaceData(int handle);
int ReleaseSurfaceDataStorage(int handle);
int IncSurfaceDataUse(int handle);
int DecSurfaceDataUse(int handle);
SurfaceData* GetSurfaceData(int handle);
int SetSurfaceDataColorKey(int handle);
// Gives the storage a Z buffer (want 1) or takes it away (want 0); nothing when it already is so. Memory images get a
// memory Z image; texture storage has no Z surface to take (logged, -1). -1 for storage that is not draw-valid.
int SetSurfaceDataZBuffer(int handle, int want);
int RestoreSurfaceData(int handle);
// 0 on the first lock, -2 when already locked (the pointer of the requested rectangle is given again), -1 on failure.
int LockSurfaceData(int handle, int* pitch, std::uint8_t** pointer, int writeOnly, const RECT* rect,
                    const ColorData** format);
int UnlockSurfaceData(int handle, const RECT* rect);
int FillSurfaceDataColor(int handle, int r, int g, int b, int a);
void ClearSurfaceDataTable();
