// Stands in for libopenal.so.1 on LD_LIBRARY_PATH: a library by that name
// without any of OpenAL's functions, which the program cannot use.
extern "C" int tarvisk_not_openal() { return 0; }
