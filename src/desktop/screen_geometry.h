#pragma once

// The window's place on the monitors, in pixels, and the twips it was given.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/types.h"

namespace zarn {

struct PixelRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

inline constexpr unsigned kDefaultDpi = 96;

struct MonitorArea {
  PixelRect monitor;
  PixelRect work;  // the monitor less the taskbar and docked bars
  unsigned dpi = kDefaultDpi;
};

// Twips per pixel at a DPI: 1440 twips are one inch.
float twipsPerPixel(unsigned dpi);

// A side of `twips` in whole pixels at `dpi`. The clock keeps its size in twips and takes its
// pixels from them at every DPI change, so crossing between two monitors back and forth never
// drifts: 3000 twips are 200 pixels at 96 DPI, 300 at 144 and 250 at 120, every time.
std::int32_t pixelsAtDpi(Twips twips, unsigned dpi);

// The stored place, read back at start. Its twips are those of the monitor the clock stood
// on, so they are read with the factor of the monitor they point into: the first of
// `monitors` whose rectangle holds the stored top-left corner at its own factor; the system's
// DPI, and so the place of a build that knew the system factor only, where none does.
unsigned dpiForStoredCorner(Twips left, Twips top, const std::vector<MonitorArea>& monitors,
                            unsigned systemDpi);
// The stored place in pixels at that DPI.
struct StoredPlace {
  PixelRect window;
  unsigned dpi = kDefaultDpi;
};
StoredPlace placeStored(Twips left, Twips top, Twips width, Twips height,
                        const std::vector<MonitorArea>& monitors, unsigned systemDpi);

// A drag under way when the DPI changes: the cursor on the screen and the point of the clock
// that was pressed, in twips of the clock, which name the same point of the face at every DPI.
struct DragAnchor {
  std::int32_t cursorX = 0;
  std::int32_t cursorY = 0;
  Twips grabX = 0;
  Twips grabY = 0;
};

// Where the window goes on a change to `dpi`. Without a drag it takes the rectangle the system
// suggests. In a drag the rectangle's size is placed so that the pressed point stays under the
// cursor, then moved as little as it takes to keep its centre on the monitor of that DPI that
// the suggestion lies on: a clock that grew about the cursor would otherwise stand mostly on
// the monitor it came from and bounce back at the next move.
PixelRect rectForDpiChange(const PixelRect& suggested, unsigned dpi,
                           const std::optional<DragAnchor>& drag,
                           const std::vector<MonitorArea>& monitors);

// A window that lies on no monitor at all, as after undocking a laptop whose other monitor
// held the clock, goes into the work area of the nearest monitor, moved as little as it
// takes, its size kept; a window larger than that work area keeps its top-left corner in
// it. nullopt when the window overlaps a monitor (even partly: a Top of -300 stays) or
// there is no monitor.
std::optional<PixelRect> placeOnNearestMonitor(const PixelRect& window,
                                               const std::vector<MonitorArea>& monitors);

// Where the clock stood before it was moved onto another monitor because its own went away
// (a laptop taken from its dock), so that it goes back there when that monitor returns.
class WayHome {
 public:
  // The place for the window once the monitors have changed, nullopt to leave it: its home
  // when it was moved off a monitor that shows that place again and still stands where it
  // was put (dragged or sized since, it has a new place of the user's); otherwise the place
  // of placeOnNearestMonitor, and then the window's place before is kept as its home.
  std::optional<PixelRect> afterMonitorsChanged(const PixelRect& window,
                                                const std::vector<MonitorArea>& monitors);

 private:
  std::optional<PixelRect> home_;
  PixelRect placed_;  // where the move put the window
};

// The user sizes the clock in steps ("notches" of the mouse wheel), each about a tenth larger
// or smaller, but never below the smallest clock nor beyond its monitor's work area.
inline constexpr double kNotchFactor = 1.1;
inline constexpr std::int32_t kSmallestClock = 64;

// Sizes the window by notches, counted from where a run of them began, so that a notch down
// undoes a notch up exactly, also where a bound or the work area's edge shaped the step.
class NotchSizer {
 public:
  // The window after `notches` more steps (positive: larger). The window the run began with,
  // both sides scaled by the same factor, so a square stays square, and about its centre,
  // then moved as little as it takes into the work area; the run's window itself where the
  // notches come back to its size. The factor is 1.1 to the power of the run's notches, but
  // the longer side never ends below the smallest clock (a clock below it grows to it with
  // its first notch, and on from there) and neither side beyond the work area, which wins
  // over the smallest clock. A step never sizes against its direction:
  // growing leaves a window already beyond the work area as it is, shrinking leaves one
  // already below the smallest clock, and a shrink of a window larger than the work area
  // fits it in at once. A step that changes nothing is not counted, and a window that no
  // longer stands where the last step left it (dragged, or sized otherwise) begins a new run.
  PixelRect resized(const PixelRect& window, int notches, const PixelRect& workArea);

 private:
  std::optional<PixelRect> last_;  // where the last step left the window
  PixelRect start_;                // the window the run began with
  int steps_ = 0;                  // the notches counted since
};

// One of the window's Top, Left, Width and Height: the twips value last assigned and the
// pixel value the window took for it. The window stands on whole pixels, so reading the
// pixels back would round what was assigned (a Top of 15340 twips at 15 twips per pixel
// would read 15345); the assigned value is read back for as long as the window still
// stands where it put it, and the pixels once it was moved or sized otherwise.
class RememberedTwips {
 public:
  void assign(Twips twips, std::int32_t pixels) {
    twips_ = twips;
    pixels_ = pixels;
    assigned_ = true;
  }
  [[nodiscard]] Twips read(std::int32_t currentPixels, float twipsPerPixel) const {
    if (assigned_ && currentPixels == pixels_) return twips_;
    return static_cast<float>(currentPixels) * twipsPerPixel;
  }

 private:
  Twips twips_ = 0;
  std::int32_t pixels_ = 0;
  bool assigned_ = false;
};

}  // namespace zarn
