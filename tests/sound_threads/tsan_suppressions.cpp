// FluidSynth loads a SoundFont's samples on OpenMP threads. libgomp is not built for ThreadSanitizer, which would
// take the library's own synchronisation for races.
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libgomp.so.1\n"; }
