# The game benchmark runs the real game on the placeholder assets.
target_link_libraries(game_bench PRIVATE game placeholder_assets)
