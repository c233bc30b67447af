// The placeholder resource table: every image, sound effect and music file the game loads, with the size and the
// cell rectangles the drawing code cuts from each image. The data lives in asset_table.cpp.
#pragma once

#include <string>
#include <vector>

// Colour shown where an image has no cell: the colour key the game loads the image with.
enum class PlaceholderKey { kBlack, kMagenta };

// How a cell is drawn: kBox a filled, outlined cell with its text centred; kLeft the same with the text at its left
// (rows whose numbers the screen draws at the right); kGlow only the text and the outline on the key colour (a
// highlight drawn additively over the same text in the picture below); kFrame only a thick outline (a cursor frame
// drawn over other cells: its inside is the key colour, whatever cells it overlaps); kText only the text (a logo
// over a picture); kMesh a mesh of dark pixels on the key colour (a bar drawn plainly over entries to darken them,
// which still show through).
enum class PlaceholderStyle { kBox, kLeft, kGlow, kFrame, kText, kMesh };

struct PlaceholderRect {
  int x, y, w, h;
  const char* text = nullptr;  // the words the cell pictures (menu entries, labels, digits); null for none
  PlaceholderStyle style = PlaceholderStyle::kBox;
};

// What the picture looks like around and under its cells: kSheet the key colour; kScreen an opaque full-screen
// pattern with the file's name; kBackdrop a sky (JPEG) or hills on the key colour (PNG layers); kWall bricks;
// kTiles bevelled stone blocks (the stage tile sheets).
enum class PlaceholderLook { kSheet, kScreen, kBackdrop, kWall, kTiles };

// An image: format from the extension (.png, .jpg, .bmp). Cells are the grid (gridW x gridH tiles from the top
// left, as many as fit) plus the listed rectangles; with neither, the whole image is one cell. Pixels outside every
// cell show the look's background. Cells without text on sheets of several cells show the sheet's name and the
// cell's number, and on character, enemy and effect sheets an arrow for the direction the cell faces.
struct PlaceholderImage {
  const char* path;
  int width, height;
  PlaceholderKey key;
  int gridW, gridH;
  std::vector<PlaceholderRect> rects;
  PlaceholderLook look = PlaceholderLook::kSheet;
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
