# The fixtures are written with the PNG and JPEG writers the image tests use.
target_compile_options(image_bench PRIVATE -Wno-missing-field-initializers)
