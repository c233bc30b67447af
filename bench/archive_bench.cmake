# The LZ benchmarks compare with zlib.
find_package(ZLIB REQUIRED)
target_link_libraries(archive_bench PRIVATE ZLIB::ZLIB)
