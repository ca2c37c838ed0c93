// The table of backends this build has, for picking one by name.
#pragma once

#include <string>

#include "driver.h"

namespace kx508::platform {

// The table entry of this name, or null.
const Backend* find_backend(const std::string& name);
// Every backend as "name (description)", for messages that list the choices.
std::string backend_choices();

}  // namespace kx508::platform
