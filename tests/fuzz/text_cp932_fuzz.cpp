// CP932 text handling on arbitrary bytes: the string helpers (character search, upper-casing, comparison, character
// counting, number parsing) and key input, which takes the bytes as typed characters into a field whose limits come
// from the first bytes. A field never holds more than its limit and its cursor stays inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/core/char_input.h"
#include "engine/core/key_input.h"
#include "engine/core/string_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || size > 4096) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::string text = bytes.substr(0, bytes.find('\0'));

  char buffer[4097];
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  for (const char c : {'\\', '/', '.', ':', '\x5C'}) FindCharSjis(buffer, c);
  UpperCaseSjis(buffer);
  if (std::strlen(buffer) != text.size()) std::abort();  // upper-casing keeps every byte and the terminator
  StringDiffers(buffer, text.c_str());
  const int chars = CountStringChars(text.c_str(), static_cast<int>(text.size()));
  if (chars < 0 || chars > static_cast<int>(text.size())) std::abort();
  StringToInt(text.c_str());

  ResetKeyInputTable();
  StartCharCodeBuffer();
  const int maxLength = data[0] % 64;
  const int handle = CreateKeyInput(maxLength, data[1] & 1, (data[1] >> 1) & 1, (data[1] >> 2) & 1);
  if (handle == -1) return 0;
  // Fed in bursts, as message passes take them; control codes (cursor keys, backspace, delete, Enter) included.
  std::size_t at = 0;
  const std::size_t burst = 1 + data[2] % 16;
  while (at < bytes.size()) {
    for (std::size_t i = 0; i < burst && at < bytes.size() && CharRingHasRoom() != 0; ++i, ++at)
      PutCharCode(static_cast<std::uint8_t>(bytes[at]));
    ProcessKeyInput();
    const KeyInputSlot* slot = GetKeyInputSlot(handle);
    if (slot == nullptr) break;
    if (slot->length < 0 || slot->length > slot->maxLength || slot->cursor < 0 || slot->cursor > slot->length ||
        static_cast<int>(std::strlen(slot->buffer)) > slot->length)
      std::abort();
    if (slot->ended != 0) break;
  }
  DeleteAllKeyInputs();
  return 0;
}
