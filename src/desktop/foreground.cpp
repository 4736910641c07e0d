#include "desktop/foreground.h"

#include <cstdint>

namespace zarn {

void PullToForeground(WindowActivation& activation, Handle window) {
  Handle current = activation.getForegroundWindow();
  if (current == window) return;

  current = activation.getForegroundWindow();
  const std::uint32_t foregroundThread = activation.getWindowThreadProcessId(current);
  const std::uint32_t ownThread = activation.getWindowThreadProcessId(window);
  if (foregroundThread != ownThread) {
    // The foreground may only be handed over by the thread that holds it, so the two
    // input queues are joined for the moment of the change.
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
}

}  // namespace zarn
