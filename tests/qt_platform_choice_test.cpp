// Which Qt platform the Qt backend asks for, from QT_QPA_PLATFORM, DISPLAY and
// WAYLAND_DISPLAY: the user's choice stands; X11 wherever there is an X display; Wayland
// when there is only a Wayland display.
#include <gtest/gtest.h>

#include "qt/qt_driver.h"

namespace {

using kx508::platform::qt::platform_to_ask_for;

#ifdef KX508_HAVE_X11
const std::string kFallback = "xcb";  // the X11 probe then says why there is no display
#else
const std::string kFallback = "";  // Qt chooses
#endif

TEST(QtPlatformChoice, TheUsersChoiceStands) {
  EXPECT_EQ(platform_to_ask_for("offscreen", ":0", "wayland-0"), "offscreen");
  EXPECT_EQ(platform_to_ask_for("wayland", ":0", nullptr), "wayland");
  EXPECT_EQ(platform_to_ask_for("xcb", nullptr, "wayland-0"), "xcb");
}

TEST(QtPlatformChoice, AnXDisplayWinsOverWayland) {
  EXPECT_EQ(platform_to_ask_for(nullptr, ":0", "wayland-0"), kFallback);
  EXPECT_EQ(platform_to_ask_for("", ":0", nullptr), kFallback);
}

TEST(QtPlatformChoice, OnlyAWaylandDisplayChoosesWayland) {
  EXPECT_EQ(platform_to_ask_for(nullptr, nullptr, "wayland-0"), "wayland");
  // An empty variable is no display.
  EXPECT_EQ(platform_to_ask_for("", "", "wayland-0"), "wayland");
}

TEST(QtPlatformChoice, NoDisplayAtAllFallsBack) {
  EXPECT_EQ(platform_to_ask_for(nullptr, nullptr, nullptr), kFallback);
  EXPECT_EQ(platform_to_ask_for(nullptr, "", ""), kFallback);
}

}  // namespace
