# The fixture movie is written, and the baseline decoded, with FFmpeg's libraries directly.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MOVIE_BENCH_LIBS REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libavutil)
target_link_libraries(movie_bench PRIVATE PkgConfig::MOVIE_BENCH_LIBS)
target_include_directories(movie_bench PRIVATE ${PROJECT_SOURCE_DIR})
