// Handles of the graphics layer and the graphic records behind them.
//
// A handle is ((id | (type code >> 16)) << 16) | slot: bits 27-30 the family, bits 16-26 an 11-bit id, bits 0-15 the
// slot. Tables hand out the slot at the high mark while it is below the limit, else the first empty slot; a released
// slot just below the high mark lowers it past the trailing empty slots. The id counter wraps after 2047, so a handle
// whose slot was reused by a later record fails the check.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/core/mem_alloc.h"

inline constexpr std::int32_t kHandleTypeMask = 0x78000000;
inline constexpr std::int32_t kHandleIdMask = 0x07FF0000;
inline constexpr std::int32_t kHandleSlotMask = 0xFFFF;
inline constexpr std::uint32_t kHandleIdLimit = 2048;

inline constexpr std::int32_t kGraphHandleType = 0x08000000;
inline constexpr int kMaxGraphs = 32768;

// A table of record pointers with its counters. Record starts with `std::uint32_t Id` and has `std::int32_t*
// LostFlag`; records are allocated zero-filled from the engine allocator.
template <class Record, int Limit, std::int32_t Type>
struct HandleTable {
  Record* slots[Limit];
  int count;
  int highMark;
  std::uint32_t nextId;

  void Clear() {
    std::memset(slots, 0, sizeof(slots));
    count = 0;
    highMark = 0;
    nextId = 0;
  }
  // The record of a valid handle, else null.
  Record* Get(int handle) const {
    if (handle < 0 || (handle & kHandleTypeMask) != Type) return nullptr;
    const int slot = handle & kHandleSlotMask;
    if (slot >= Limit || slots[slot] == nullptr) return nullptr;
    if (static_cast<std::int32_t>(slots[slot]->Id << 16) != (handle & kHandleIdMask)) return nullptr;
    return slots[slot];
  }
  int HandleOf(int slot) const {
    return static_cast<int>(((slots[slot]->Id | (static_cast<std::uint32_t>(Type) >> 16)) << 16) |
                            static_cast<std::uint32_t>(slot));
  }
  bool Full() const { return count >= Limit; }
  // The slot for a new record by the common rule (the caller checked Full()).
  int ChooseSlot() const {
    if (highMark < Limit) return highMark;
    for (int i = 0; i < Limit; ++i) {
      if (slots[i] == nullptr) return i;
    }
    return -1;
  }
  // Allocates a zero-filled record into a free slot and gives it the next id; the handle, or -1 when the table is
  // full, -2 when the allocation failed.
  int Add(Record** out) {
    if (Full()) return -1;
    const int slot = ChooseSlot();
    if (slot < 0) return -1;
    auto* record = static_cast<Record*>(MemAllocZeroed(static_cast<int>(sizeof(Record)), __FILE__, __LINE__));
    if (record == nullptr) return -2;
    record->Id = nextId;
    nextId = nextId + 1 >= kHandleIdLimit ? 0 : nextId + 1;
    slots[slot] = record;
    ++count;
    if (slot == highMark) ++highMark;
    if (out != nullptr) *out = record;
    return HandleOf(slot);
  }
  // Releases a slot: counters, lost flag (receives 1), the record freed and the slot cleared.
  void Release(int slot) {
    Record* record = slots[slot];
    if (record == nullptr) return;
    --count;
    if (slot == highMark - 1) {
      if (count == 0) {
        highMark = 0;
      } else {
        int h = slot;
        while (h > 0 && slots[h - 1] == nullptr) --h;
        highMark = h;
      }
    }
    if (record->LostFlag != nullptr) *record->LostFlag = 1;
    MemFree(record);
    slots[slot] = nullptr;
  }
};

// The eight creation bytes of a graphic, copied into each surface-data record of its tiles.
struct GraphFlagBytes {
  std::uint8_t Texture;        // 1: the tiles are Direct3D textures; 0: 2D surfaces
  std::uint8_t AlphaChFlag;    // keeps an alpha channel
  std::uint8_t DrawValid;      // can itself be a draw target
  std::uint8_t SystemMemory;   // 2D storage wanted in system memory
  std::uint8_t AlphaTestFlag;  // alpha test wanted
  std::uint8_t ColorBitDepth;  // storage depth in bits
  std::uint8_t OptionByte;     // low byte of the create option; 1: 2D storage in system memory
  std::uint8_t ExtraByte;      // made for an 8-bit palettised image without alpha (2D graphics only)
};

inline constexpr int kMaxGraphTiles = 64;
inline constexpr int kGraphFileNameSize = 64;
inline constexpr int kGraphDirectorySize = 256;

struct GraphData {
  std::uint32_t Id;
  std::int32_t* LostFlag;
  std::int32_t Handle;
  GraphFlagBytes Flags;
  std::uint32_t FillOption;    // option of the last fill, passed again by the restore
  std::uint32_t CreateOption;  // GraphCreateOption at creation
  std::int32_t Tiles[kMaxGraphTiles];  // Surface2D handles (2D) or Surface3DData handles (textures)
  std::int32_t TileCount;
  char FileName[kGraphFileNameSize];    // file the image came from, empty when none
  char Directory[kGraphDirectorySize];  // current directory at load time
  std::int32_t SourceX, SourceY;        // position of this graphic inside the file's image
  std::int32_t Width, Height;
  std::int32_t Movie;           // movie handle, -1 none
  std::uint32_t NeedsRestore;   // set by the restore step until the graphic is reloaded
  void* OwnedBlock;             // freed at deletion when set
};

using GraphTable = HandleTable<GraphData, kMaxGraphs, kGraphHandleType>;
extern GraphTable g_GraphTable;

// Allocates and initialises a record (no tiles yet); ends the program when the table is full or the allocation
// fails. Returns the handle.
int AddGraphData(int width, int height, int wantTexture, GraphData** outRecord, int alphaFlag, int extraByte);
// AddGraphData, then the tiles. -1 (record deleted) when the tiles cannot be made.
int CreateGraph(int width, int height, int wantTexture, int alphaFlag, int extraByte);
int CreateEmptyGraph(int width, int height);
int SetGraphLostFlag(int handle, std::int32_t* flag);
GraphData* GetGraphData(int handle);
int GraphHandleOfRecord(const GraphData* record);
// Size of a graphic, or of the screen for the draw targets -2 and -4. 0 / -1.
int QueryGraphSize(int handle, int* width, int* height);
int GetGraphicSize(int handle, int* width, int* height);
// -1 when the blend graphic is invalid or smaller than the record's graphic.
int CheckBlendGraphSize(const GraphData* record);
// The draw state's word that the converting transfers into graphics take as their dither mode (0: nothing sets it).
int GetTransferOptionWord();
int DeleteGraphicBody(int handle, int logFlag);
int DeleteAllGraph(int logFlag);
int FillGraphColor(int handle, int r, int g, int b, int a);
// 1 when new fonts can keep their glyph cache in a texture graphic (texture graphics in use on a live 3D device,
// no software rendering, texture formats known); else 0.
int CanUseTextureGlyphCache();
// Clears the graphic table and its counters.
void ClearGraphTable();
