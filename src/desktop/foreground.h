#pragma once

#include "platform/platform.h"
#include "platform/types.h"

namespace zarn {

// Makes `window` the foreground window, joining the input of the foreground window's
// thread for the moment of the change, then restores it if minimised or shows it, and
// raises it to the top of the z-order.
void PullToForeground(WindowActivation& activation, Handle window);

}  // namespace zarn
