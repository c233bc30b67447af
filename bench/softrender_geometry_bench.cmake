# pixman is the baseline the geometry benchmarks compare with (benchmark only).
find_package(PkgConfig REQUIRED)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
target_link_libraries(softrender_geometry_bench PRIVATE PkgConfig::PIXMAN)
