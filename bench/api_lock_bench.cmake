# This suite has its own main (it prints a ratio), so it links the benchmark library without benchmark_main.
get_target_property(libs api_lock_bench LINK_LIBRARIES)
list(REMOVE_ITEM libs benchmark::benchmark_main)
set_property(TARGET api_lock_bench PROPERTY LINK_LIBRARIES ${libs})
