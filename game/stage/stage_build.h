// Building an area: clearing the object pools, spawning the level data of the current stage, area and hero, and
// putting the hero and the view at the area's start.
#pragma once

// Empties the gimmick, ladder, scenery, hazard, pickup and enemy pools (their in-use words) and the seven handed-out
// counts; nothing else of the records. Effects, particles and shots are left alone.
void clear_object_pools();
// The same without the enemy pool (the falling stage keeps its enemies).
void clear_stage_object_pools();
// Spawns the data set of stage, area and hero into the cleared pools, writes the exit line (areas 1 and 2), then
// runs the stage's enemy placement routine.
void build_stage();
// The hero at the area's start: position, scroll, landed, HP and SP refilled.
void stage_entry();
// The camera's start for the areas that begin lower down (the next-area mode).
void start_camera();
