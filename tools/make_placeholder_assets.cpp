// Writes the placeholder asset tree (gsx/, ssez/, bgm/) the game loads: every image at the size the drawing code cuts
// from, with coloured, outlined cells; short tones as WAV; looping tones as MP3. Files already present are kept
// (real assets dropped in place win) unless --force is given.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/placeholder/asset_writers.h"

namespace {

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: make_placeholder_assets [--force] OUTPUT_DIR\n"
               "  writes OUTPUT_DIR/gsx, OUTPUT_DIR/ssez and OUTPUT_DIR/bgm; existing files are kept unless --force\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool force = false;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--force") == 0) {
      force = true;
    } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      PrintUsage(stdout);
      return 0;
    } else if (argv[i][0] == '-' || output != nullptr) {
      PrintUsage(stderr);
      return 2;
    } else {
      output = argv[i];
    }
  }
  if (output == nullptr || output[0] == '\0') {
    PrintUsage(stderr);
    return 2;
  }
  PlaceholderTreeResult result;
  if (!WritePlaceholderTree(output, force, &result)) {
    std::fprintf(stderr, "make_placeholder_assets: %s\n", result.error.c_str());
    return 1;
  }
  std::printf("make_placeholder_assets: %d files written, %d kept in %s\n", result.written, result.kept, output);
  return 0;
}
