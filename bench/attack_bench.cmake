# The stage-play frame with the hero's shots runs the game's own code on the placeholder pictures.
target_link_libraries(attack_bench PRIVATE game placeholder_assets)
