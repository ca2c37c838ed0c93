// The help a program gives when it gives none of its own. Alone in its file, so that the
// linker takes it from the library's archive only for a program that does not define
// app::help() itself.
#include "kx508.h"

const char* app::help() { return nullptr; }
