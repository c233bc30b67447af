// The story scene director: the scripted scenes of story events 0 and 14 to 18, played one frame per call, and the
// boss event (game mode 30) that holds event 14.
#pragma once

// One frame of the scene of story_event (resets the scene state first when it is not initialised). Events without
// a timeline do nothing.
void run_story_scene(int pad);
// Game mode 30: the boss event in the castle garden (story event 14).
void boss_event_screen(int pad);

// Scene actors: each call draws one frame and advances its counter.
void draw_scene_hero();
void draw_scene_boss();
void draw_scene_partner(int mirrored);

// The hand-over from a closing scene into the ending of the current hero (modes 31 and 32): ending images, clear
// level raised, settings file written.
void start_ending();

extern int scene_background;  // the scene's background picture
extern int boss_sheet;        // the boss actor's sheet, loaded by the boss event
// The ending's pictures: the ending sheet, four backgrounds and the staff sheet.
extern int ending_sheet;
extern int ending_backgrounds[4];
extern int staff_sheet;
