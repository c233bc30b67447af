# The hero's update and drawing run the game's own code on the placeholder pictures.
target_link_libraries(hero_bench PRIVATE game placeholder_assets)
