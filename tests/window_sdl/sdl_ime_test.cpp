// The desktop input method through SDL's text events: a composition reaches the engine's IME state as CP932 with
// its cursor, the committed text goes into the character ring, and plain text still arrives as characters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/core/api_lock.h"
#include "engine/core/char_input.h"
#include "engine/core/cursor_ime.h"
#include "engine/core/public_api.h"
#include "platform/base/backend.h"
#include "tests/support/xvfb_server.h"

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;

std::uint32_t FirstWindowId() {
  for (std::uint32_t id = 1; id < 64; ++id)
    if (SDL_GetWindowFromID(id) != nullptr) return id;
  return 0;
}

void PushEditing(std::uint32_t window, const char* utf8, int cursor) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  e.edit.windowID = window;
  std::strncpy(e.edit.text, utf8, sizeof e.edit.text - 1);
  e.edit.start = cursor;
  SDL_PushEvent(&e);
}

void PushText(std::uint32_t window, const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = window;
  std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
  SDL_PushEvent(&e);
}

int RingBytes() {
  ApiLockGuard lock;
  return (g_CharRing.writeIndex - g_CharRing.readIndex + kCharRingSlots) % kCharRingSlots;
}

TEST(SdlIme, CompositionsAndCommittedTextReachTheEngine) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start(*xvfb));
  setenv("DISPLAY", server.Display().c_str(), 1);
  char dirTemplate[] = "/tmp/sdl-ime-XXXXXX";
  const std::string directory = mkdtemp(dirTemplate);
  ASSERT_EQ(chdir(directory.c_str()), 0);
  platform::SetInstanceLockDirectory(directory);
  platform::RequestBackend(platform::BackendKind::Sdl);
  ChangeWindowMode(1);
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);
  const std::uint32_t window = FirstWindowId();
  ASSERT_NE(window, 0u);
  const auto pump = [] {
    for (int i = 0; i < 5; ++i) ProcessMessage();
  };
  pump();
  const int start = RingBytes();

  // Switched off (as the game leaves it): a composition is not seen, plain text arrives.
  PushEditing(window, "\xe3\x81\x8b", 1);  // か
  PushText(window, "a");
  pump();
  EXPECT_EQ(g_Ime.composing, 0);
  EXPECT_EQ(RingBytes(), start + 1);

  {
    ApiLockGuard lock;
    SetImeEnabled(1);
  }
  PushEditing(window, "\xe3\x81\x8b\xe3\x81\xaa", 1);  // かな, cursor after か
  pump();
  EXPECT_EQ(g_Ime.composing, 1);
  EXPECT_STREQ(g_Ime.composition, "\x82\xa9\x82\xc8");
  EXPECT_EQ(g_Ime.cursorPosition, 1);
  EXPECT_EQ(g_Ime.inputSeen, 1);
  PushText(window, "\xe4\xbb\xae\xe5\x90\x8d");  // 仮名 committed
  pump();
  EXPECT_EQ(g_Ime.composing, 0);
  EXPECT_EQ(g_Ime.composition[0], '\0');
  ASSERT_EQ(RingBytes(), start + 5);
  {
    ApiLockGuard lock;
    char got[5] = {};
    for (int i = 0; i < 5; ++i) got[i] = static_cast<char>(g_CharRing.codes[(g_CharRing.readIndex + start + i) % kCharRingSlots]);
    EXPECT_EQ(std::string(got + 1, 4), "\x89\xbc\x96\xbc");
  }
  // A composition abandoned (emptied) ends without text; then typing without one gives characters again.
  PushEditing(window, "\xe3\x81\x82", 1);
  PushEditing(window, "", 0);
  PushText(window, "b");
  pump();
  EXPECT_EQ(g_Ime.composing, 0);
  EXPECT_EQ(RingBytes(), start + 6);

  EXPECT_EQ(EndEngine(), 0);
  platform::ReleaseBackend();
  std::filesystem::remove_all(directory);
}

}  // namespace
