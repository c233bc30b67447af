// Captions: a short banner at the top of the screen announcing what the hero obtained or learned, or that SP is
// too low. Any code raises one by writing caption_code and caption_start (the frame's start time); draw_caption
// shows it until its time is up, then clears the code or chains the follow-up skill caption.
#pragma once

// Captions of the save files' own: a save that could not be written, a save file that is there but cannot be read.
inline constexpr int save_failed_caption_code = 9991;
inline constexpr int save_unreadable_caption_code = 9990;

// How long a caption code shows, in milliseconds.
int caption_duration(int code);
// The caption's text, or null when the code has none (nothing is shown for it and the code is cleared). Built
// texts live in one buffer that the next call replaces.
const char* caption_text(int code);

// Draws the current caption and retires it when its time is up.
void draw_caption();
