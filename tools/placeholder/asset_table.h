// The placeholder resource table: every image, sound effect and music file the game loads, with the size and the
// cell rectangles the drawing code cuts from each image. The data lives in asset_table.cpp.
#pragma once

#include <string>
#include <vector>

// Colour shown where an image has no cell: the colour key the game loads the image with.
enum class PlaceholderKey { kBlack, kMagenta };

struct PlaceholderRect {
  int x, y, w, h;
};

// An image: format from the extension (.png, .jpg, .bmp). Cells are the grid (gridW x gridH tiles from the top
// left, as many as fit) plus the listed rectangles; with neither, the whole image is one cell. Pixels outside every
// cell show the key colour.
struct PlaceholderImage {
  const char* path;
  int width, height;
  PlaceholderKey key;
  int gridW, gridH;
  std::vector<PlaceholderRect> rects;
};

// A sound effect (.wav: 16-bit mono PCM; .mp3: MPEG-1 layer III) or a music track (.mp3), a sine tone whose pitch
// follows from the entry's position in its table.
struct PlaceholderSound {
  std::string path;
  int durationMs;
};

const std::vector<PlaceholderImage>& PlaceholderImages();
const std::vector<PlaceholderSound>& PlaceholderSoundEffects();
const std::vector<PlaceholderSound>& PlaceholderMusic();

// Every cell of an image as rectangles: the whole image, or the grid tiles followed by the listed rectangles.
std::vector<PlaceholderRect> PlaceholderCells(const PlaceholderImage& image);
