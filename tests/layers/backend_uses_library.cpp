// Compiled with a backend's include paths, and must not build: a backend never reaches
// the library above the adapter.
#include "driver.h"
#include "kx508.h"

int layer_probe() { return 0; }
