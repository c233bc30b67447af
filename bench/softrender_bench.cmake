# The software renderer benchmark compares with pixman (benchmark only).
find_package(PkgConfig REQUIRED)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
target_link_libraries(softrender_bench PRIVATE PkgConfig::PIXMAN)
