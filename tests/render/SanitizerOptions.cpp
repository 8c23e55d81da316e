// Leak checking of this test program skips thread-local storage: Mesa's software rasteriser
// threads leave dynamic TLS entries that make the leak checker's own scan crash at exit
// (GCC 12's sanitizer runtime with glibc 2.36). Our code keeps nothing in thread-local
// storage, so no leak of ours can hide there.
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }
