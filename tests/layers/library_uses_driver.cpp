// Compiled with the library's include paths, and must not build: the library calls the
// adapter's interface (platform.h), never what a backend implements.
#include "driver.h"

int layer_probe() { return 0; }
