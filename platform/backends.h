// The constructors of the backends, for the table that picks one. Each backend's folder
// defines its own.
#pragma once

#include <memory>
#include <string>

#include "driver.h"

namespace platform {

std::unique_ptr<Driver> make_headless_driver();
#ifdef KX508_HAVE_QT
std::unique_ptr<Driver> make_qt_driver();
#endif
#ifdef KX508_HAVE_WIN32
std::unique_ptr<Driver> make_win32_driver();
#endif
#ifdef KX508_HAVE_WEB
std::unique_ptr<Driver> make_web_driver();
#endif

// The table entry of this name, or null.
const Backend* find_backend(const std::string& name);
// Every backend as "name (description)", for messages that list the choices.
std::string backend_choices();

}  // namespace platform
