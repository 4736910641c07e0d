#pragma once

// The scenarios of the driver. Each returns a short account of what it saw when every
// check held; a failed check has printed got/expected already.

#include <string>

#include "e2e.h"

namespace zarn::e2e {

std::string firstStart(const Context& context);
std::string whiteHandsDefault(const Context& context);
std::string handColours(const Context& context);
std::string emptyBackgroundUsesFallback(const Context& context);
std::string storedGeometry(const Context& context);
std::string closeStoresGeometry(const Context& context);
// A DPI change takes the suggested rectangle, draws the face sharp and stores twips of it.
std::string dpiChangeTakesTheRectangle(const Context& context);
std::string badColourReports(const Context& context);
// The second hand steps just after each second begins, the clock started early, in the
// middle or late in a second.
std::string secondsOnTimeEarly(const Context& context);
std::string secondsOnTimeMiddle(const Context& context);
std::string secondsOnTimeLate(const Context& context);
std::string missingPictureReports(const Context& context);

// The tray icon, dragging and the popup menu (tray_scenarios.cpp).
std::string dragMovesWindow(const Context& context);
std::string popupMenuEntries(const Context& context);
std::string minimiseAndRestoreFromTray(const Context& context);
std::string closeFromMenu(const Context& context);
std::string genuineMoveAt515DoesNothing(const Context& context);
std::string taskbarCreatedAddsIconAgain(const Context& context);
// A second start beside a running clock, shown or hidden, brings it back and ends.
std::string secondStartBringsClockBack(const Context& context);
// A clock left off screen by a display or work-area change comes back onto the monitor.
std::string displayChangeBringsClockBack(const Context& context);
// Geometry stored under one locale's decimal separator and read under the other's, at 192
// DPI, in phases under alternating locales.
std::string decimalSeparatorRoundTrip(const Context& context);

// The properties dialog and its commands (dialog_scenarios.cpp).
std::string propertiesDialogLayout(const Context& context);
std::string propertiesOkApplies(const Context& context);
std::string propertiesCancelChangesNothing(const Context& context);
std::string jpegFace(const Context& context);

// Long runs and bad input (soak_scenarios.cpp, bad_input_scenarios.cpp).
std::string soakQuick(const Context& context);
std::string soakLong(const Context& context);
std::string badPictures(const Context& context);
std::string badSettingsTypes(const Context& context);

}  // namespace zarn::e2e
