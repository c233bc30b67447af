# The stage-play frame runs the game's own code on the placeholder pictures.
target_link_libraries(stage_bench PRIVATE game placeholder_assets)
