// Compiled with the library's include paths, and must build: the probes beside it fail
// only for the header they name.
#include "files.h"
#include "platform.h"

int layer_probe() { return 0; }
