#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/mem_stream.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/image_decode.h"

int DecodeImageFile(const char* fileName, const void* memory, int memorySize, int fromMemory, int wantDib, int repack,
                    GraphImage* outImage, BitmapInfo256** outDibHeader, void** outDibBits) {
  StreamSource source{};
  if (fromMemory != 0) {
    if (memorySize < 0) return -1;
    MemStream* stream = OpenMemStream(memory, static_cast<std::uint32_t>(memorySize));
    if (stream == nullptr) return -1;
    source.functions = *GetMemStreamFunctions();
    source.handle = reinterpret_cast<StreamHandle>(stream);
  } else {
    const StreamHandle file = FileOpen(fileName, 0, 0);
    if (file == 0) return -1;
    source.functions = *GetFileStreamFunctions();
    source.handle = file;
  }
  auto closeFile = [&] {
    if (fromMemory == 0) source.functions.close(source.handle);
  };

  GraphImage image{};
  if (DecodeGraphImage(&source, &image) != 0) {
    source.functions.close(source.handle);
    return -1;
  }
  if (fromMemory != 0) source.functions.close(source.handle);

  if (repack == 1) {
    void* copy = ENGINE_ALLOC(image.pitch * image.height);
    const ImageRect rect{0, 0, image.width, image.height};
    if (copy == nullptr ||
        ConvertTransferRect(copy, image.pitch, &image.colorData, image.pixels, image.pitch, &image.colorData, nullptr,
                            0, nullptr, 0, 0, &rect, 1, 0, 0, 0, 0, 0, 0) == -1) {
      if (copy != nullptr) MemFree(copy);
      ReleaseGraphImage(&image);
      closeFile();
      return -1;
    }
    MemFree(image.pixels);
    image.pixels = copy;
  }

  if (wantDib != 0) {
    auto* header = static_cast<BitmapInfo256*>(ENGINE_ALLOC(static_cast<int>(sizeof(BitmapInfo256))));
    const int result = header == nullptr ? -1 : GraphImageToDib(&image, header, outDibBits, 0, 0);
    if (result == -1) {
      ReleaseGraphImage(&image);
      if (header != nullptr) MemFree(header);
      closeFile();
      return -1;
    }
    if (result == 1) ReleaseGraphImage(&image);
    *outDibHeader = header;
  } else {
    *outImage = image;
  }
  closeFile();
  return 0;
}
