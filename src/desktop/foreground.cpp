#include "desktop/foreground.h"

#include <cstdint>

namespace zarn {

void PullToForeground(WindowActivation& activation, Handle window) {
  Handle current = activation.getForegroundWindow();
  if (current == window) return;

  // Asked a second time on purpose: the answer used from here on is the fresh one, as the
  // clock has always done it.
  current = activation.getForegroundWindow();
  const std::uint32_t foregroundThread = activation.getWindowThreadProcessId(current);
  const std::uint32_t ownThread = activation.getWindowThreadProcessId(window);
  if (foregroundThread != ownThread) {
    // The foreground may only be handed over by the thread that holds it, so the two
    // input queues are joined for the moment of the change. The attach flag is -1, the
    // clock's TRUE; any nonzero value means attach.
    activation.attachThreadInput(foregroundThread, ownThread, -1);
    activation.setForegroundWindow(window);
    activation.attachThreadInput(foregroundThread, ownThread, 0);
  } else {
    activation.setForegroundWindow(window);
  }

  if (activation.isIconic(window)) {
    activation.showWindow(window, WindowActivation::kSwRestore);
  } else {
    activation.showWindow(window, WindowActivation::kSwShow);
  }
  // The foreground lock may refuse SetForegroundWindow even with the queues joined; the
  // window then still comes to the top of the z-order, which no lock refuses, instead of
  // staying hidden behind the active window with no taskbar button to flash.
  activation.raiseToTop(window);
}

}  // namespace zarn
