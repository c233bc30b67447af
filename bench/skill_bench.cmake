# The skills run the game's own code on the placeholder pictures.
target_link_libraries(skill_bench PRIVATE game placeholder_assets)
