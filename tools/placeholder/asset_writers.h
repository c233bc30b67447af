// Writers of the placeholder tree: images drawn from the resource table and encoded as PNG, JPEG or BMP, sine-tone
// sound effects as PCM WAV, and tones encoded as MP3. Every output is a pure function of the table, so two runs
// write the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/placeholder/asset_table.h"

using PlaceholderBytes = std::vector<std::uint8_t>;

// 8-bit RGB, rows top first.
struct PlaceholderRaster {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Cell borders are white; cell fills are mid-bright colours (every channel within 48..224), never a key colour.
// Texts are white (highlights warm yellow) with a dark outline.
inline constexpr std::uint8_t kPlaceholderBorder[3] = {255, 255, 255};
inline constexpr std::uint8_t kPlaceholderText[3] = {255, 255, 255};
inline constexpr std::uint8_t kPlaceholderGlowText[3] = {255, 224, 96};
inline constexpr int kPlaceholderWavRate = 22050;
inline constexpr int kPlaceholderMp3Rate = 44100;

// Draws an image: the look's background (key colour, screen pattern, sky or hills, bricks, stone blocks), each box
// cell filled with its own colour (fileIndex varies the colours from file to file), the cells' texts (or sheet name
// and cell number, with a facing mark on sprite sheets), then every cell outlined with a 1-pixel border (3 pixels
// for cursor frames). Backdrops have no cells drawn.
PlaceholderRaster DrawPlaceholderImage(const PlaceholderImage& image, int fileIndex);

// Encoders; an empty result means the encoder failed.
PlaceholderBytes EncodePlaceholderPng(const PlaceholderRaster& raster);
PlaceholderBytes EncodePlaceholderJpeg(const PlaceholderRaster& raster);
PlaceholderBytes EncodePlaceholderBmp(const PlaceholderRaster& raster);

// Pitch of the index-th tone of its table (integer Hz, a multiple of 5, so 200 ms and whole seconds hold whole
// periods and the tones start and end at phase 0).
int PlaceholderToneHz(int index, bool music);
// 16-bit mono PCM WAV at kPlaceholderWavRate.
PlaceholderBytes MakePlaceholderWav(int frequencyHz, int durationMs);
// MPEG-1 layer III, mono, kPlaceholderMp3Rate, 64 kbit/s, with an Info frame first so decoders drop the encoder's
// delay and padding; no ID3 tag.
PlaceholderBytes MakePlaceholderMp3(int frequencyHz, int durationMs);

struct PlaceholderTreeResult {
  int written = 0;
  int kept = 0;
  std::string error;  // empty on success
};

// Writes every file of the table under outputDir, making the folders. Existing files are kept unless force.
bool WritePlaceholderTree(const std::filesystem::path& outputDir, bool force, PlaceholderTreeResult* result);
