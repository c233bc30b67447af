// The synthesiser over FluidSynth: a fluid_synth of its own with the shared SoundFont, a fluid_player per song timed
// by the rendered samples, mixed into the engine's mix as a mix source.
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>

#include "platform/audio/audio.h"
#include "platform/midi/midi_synth.h"

namespace platform::midi {
namespace {

// Frames rendered after the last voice went quiet (reverb and chorus tails) before rendering pauses.
constexpr int kTailFrames = kMixRate;
// Frames rendered at a time: whole blocks of the synthesiser's 64 frames.
constexpr int kRenderFrames = 256;

// The SoundFont, loaded once by a synthesiser kept for that alone and lent to every synthesiser made after: loading
// takes a noticeable time, while a synthesiser of its own for each song keeps each song's rendering independent of
// what played before it.
struct SoundFontHolder {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_sfont_t* font = nullptr;
  ~SoundFontHolder() {
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
  }
};

fluid_settings_t* NewSettings() {
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) fluid_set_log_function(level, nullptr, nullptr);
  });
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return nullptr;
  fluid_settings_setnum(settings, "synth.sample-rate", kMixRate);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);         // no threads of its own
  fluid_settings_setint(settings, "synth.lock-memory", 0);       // a SoundFont is larger than mlock allows
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);    // every call is under our own lock
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  return settings;
}

// The loaded SoundFont, or null when none can be loaded (tried again on the next call).
fluid_sfont_t* SharedSoundFont() {
  static std::mutex mutex;
  static std::unique_ptr<SoundFontHolder> holder;
  std::lock_guard lock(mutex);
  if (holder != nullptr) return holder->font;
  const std::string path = FindGeneralMidiSoundFont();
  if (path.empty()) return nullptr;
  auto loading = std::make_unique<SoundFontHolder>();
  loading->settings = NewSettings();
  if (loading->settings == nullptr) return nullptr;
  loading->synth = new_fluid_synth(loading->settings);
  if (loading->synth == nullptr) return nullptr;
  const int id = fluid_synth_sfload(loading->synth, path.c_str(), 0);
  if (id == FLUID_FAILED) return nullptr;
  loading->font = fluid_synth_get_sfont_by_id(loading->synth, id);
  if (loading->font == nullptr) return nullptr;
  holder = std::move(loading);
  return holder->font;
}

}  // namespace

std::string FindGeneralMidiSoundFont() {
  static const char* const kCandidates[] = {
      "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf3/default-GM.sf3",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/sounds/sf2/TimGM6mb.sf2",
  };
  for (const char* path : kCandidates) {
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) return path;
  }
  return {};
}

struct MidiSynth::Core {
  std::mutex mutex;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_sfont_t* font = nullptr;  // lent, removed before the synthesiser goes
  fluid_player_t* player = nullptr;
  bool playing = false;
  int passesLeft = 0;  // passes still to play, the current one included; -1 for ever
  int lastTick = 0;
  bool endRendered = false;  // the end lies in the frames held
  EndHandler onEnd;
  float gain = 1.0f;
  int quietFrames = kTailFrames;
  // Frames rendered ahead and not yet mixed: the synthesiser is always asked for whole blocks, so a song starts
  // at a block of its own, with the first frame mixed after Play, whatever was mixed before.
  float left[kRenderFrames], right[kRenderFrames];
  int held = 0, taken = 0;

  // After a block was rendered: whether the song's last pass reached its end in it. The player goes on ticking past
  // the end (a grace period for release tails, or the next pass of a loop), so the end is the tick reaching the
  // song's length on the last pass.
  void NoteEnd() {
    if (!playing || endRendered) return;
    const int tick = fluid_player_get_current_tick(player);
    const int total = fluid_player_get_total_ticks(player);
    if (passesLeft > 1 && tick < lastTick) --passesLeft;
    lastTick = tick;
    endRendered = fluid_player_get_status(player) == FLUID_PLAYER_DONE || (passesLeft == 1 && total > 0 && tick >= total);
  }
  // The end has been mixed: playing stops and the end handler is handed out.
  EndHandler Finish() {
    playing = false;
    endRendered = false;
    EndHandler handler = std::move(onEnd);
    onEnd = nullptr;
    return handler;
  }

  void DropPlayer() {
    if (player == nullptr) return;
    fluid_player_stop(player);
    delete_fluid_player(player);
    player = nullptr;
  }
};

std::unique_ptr<MidiSynth> MidiSynth::Create() {
  fluid_sfont_t* font = SharedSoundFont();
  if (font == nullptr) return nullptr;
  auto core = std::make_unique<Core>();
  core->settings = NewSettings();
  if (core->settings == nullptr) return nullptr;
  core->synth = new_fluid_synth(core->settings);
  if (core->synth == nullptr || fluid_synth_add_sfont(core->synth, font) == FLUID_FAILED) {
    if (core->synth != nullptr) delete_fluid_synth(core->synth);
    delete_fluid_settings(core->settings);
    return nullptr;
  }
  core->font = font;
  fluid_synth_program_reset(core->synth);
  std::unique_ptr<MidiSynth> synth(new MidiSynth);
  synth->core_ = std::move(core);
  AddMixSource(&MidiSynth::Render, synth.get());
  return synth;
}

MidiSynth::~MidiSynth() {
  RemoveMixSource(&MidiSynth::Render, this);  // the mixer no longer calls Render once this returns
  Core& c = *core_;
  c.DropPlayer();
  fluid_synth_remove_sfont(c.synth, c.font);  // the SoundFont stays loaded for the next synthesiser
  delete_fluid_synth(c.synth);
  delete_fluid_settings(c.settings);
}

bool MidiSynth::Play(const std::vector<std::uint8_t>& song, int repeats, EndHandler onEnd, bool* handlerDropped) {
  MixUpToNow();  // the play starts where the mix stands now
  Core& c = *core_;
  std::lock_guard lock(c.mutex);
  if (handlerDropped != nullptr) *handlerDropped = c.playing && c.onEnd != nullptr;
  c.DropPlayer();
  c.playing = false;
  c.onEnd = nullptr;
  c.held = c.taken = 0;
  c.endRendered = false;
  fluid_synth_all_notes_off(c.synth, -1);
  c.player = new_fluid_player(c.synth);
  if (c.player == nullptr) return false;
  if (fluid_player_add_mem(c.player, song.data(), song.size()) != FLUID_OK ||
      fluid_player_set_loop(c.player, repeats < 0 ? -1 : repeats + 1) != FLUID_OK ||
      fluid_player_play(c.player) != FLUID_OK) {
    c.DropPlayer();
    return false;
  }
  c.playing = true;
  c.passesLeft = repeats < 0 ? -1 : repeats + 1;
  c.lastTick = 0;
  c.onEnd = std::move(onEnd);
  c.quietFrames = 0;
  return true;
}

bool MidiSynth::Stop() {
  MixUpToNow();
  Core& c = *core_;
  std::lock_guard lock(c.mutex);
  const bool dropped = c.playing && c.onEnd != nullptr;
  c.DropPlayer();
  c.playing = false;
  c.onEnd = nullptr;
  c.held = c.taken = 0;
  c.endRendered = false;
  fluid_synth_system_reset(c.synth);  // voices and effect tails end here
  return dropped;
}

bool MidiSynth::Playing() const {
  MixUpToNow();
  std::lock_guard lock(core_->mutex);
  return core_->playing;
}

void MidiSynth::SetAttenuation(std::int32_t hundredthsDb) {
  MixUpToNow();
  const std::int32_t v = hundredthsDb > 2000 ? 2000 : hundredthsDb;
  std::lock_guard lock(core_->mutex);
  core_->gain = v <= -10000 ? 0.0f : static_cast<float>(std::pow(10.0, v / 2000.0));
}

void MidiSynth::Render(void* self, std::int32_t* accumulator, int frames) {
  Core& c = *static_cast<MidiSynth*>(self)->core_;
  EndHandler ended;
  {
    std::lock_guard lock(c.mutex);
    if (!c.playing && c.quietFrames >= kTailFrames && c.held == c.taken) return;
    const float scale = c.gain * 32768.0f;
    for (int done = 0; done < frames;) {
      if (c.taken == c.held) {
        if (c.endRendered) ended = c.Finish();  // the block holding the song's end has been mixed
        fluid_synth_write_float(c.synth, kRenderFrames, c.left, 0, 1, c.right, 0, 1);
        c.held = kRenderFrames;
        c.taken = 0;
        c.NoteEnd();
      }
      const int n = std::min(frames - done, c.held - c.taken);
      if (scale > 0.0f) {
        std::int32_t* out = accumulator + 2 * done;
        for (int i = 0; i < n; ++i) {
          out[2 * i] += static_cast<std::int32_t>(std::lrint(c.left[c.taken + i] * scale));
          out[2 * i + 1] += static_cast<std::int32_t>(std::lrint(c.right[c.taken + i] * scale));
        }
      }
      c.taken += n;
      done += n;
    }
    if (c.endRendered && c.taken == c.held) ended = c.Finish();
    if (!c.playing && fluid_synth_get_active_voice_count(c.synth) == 0) {
      c.quietFrames += frames;
    } else {
      c.quietFrames = 0;
    }
  }
  if (ended) ended();
}

}  // namespace platform::midi
