// zarn_e2e.exe SCENARIO CLOCK_EXE WORK_DIR [PHASE]
//
// Runs one end-to-end scenario against the clock program and exits 0 when every check
// held, 1 when one failed (each failure printed as got/expected with its line), 2 on a
// wrong command line. PHASE numbers the runs of a scenario in several phases, from 1.
// When the harness sets the local time of day, ZARN_E2E_CLOCK says which (hh:mm).

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "e2e.h"
#include "scenarios.h"

namespace {

using zarn::e2e::Context;

struct Scenario {
  std::string_view name;
  std::string (*run)(const Context&);
};

constexpr Scenario kScenarios[] = {
    {"first_start", zarn::e2e::firstStart},
    {"white_hands_default", zarn::e2e::whiteHandsDefault},
    {"hand_colours", zarn::e2e::handColours},
    {"empty_background_uses_fallback", zarn::e2e::emptyBackgroundUsesFallback},
    {"stored_geometry", zarn::e2e::storedGeometry},
    {"close_stores_geometry", zarn::e2e::closeStoresGeometry},
    {"dpi_change_takes_the_rectangle", zarn::e2e::dpiChangeTakesTheRectangle},
    {"bad_colour_reports", zarn::e2e::badColourReports},
    {"missing_picture_reports", zarn::e2e::missingPictureReports},
    {"seconds_on_time_early", zarn::e2e::secondsOnTimeEarly},
    {"seconds_on_time_middle", zarn::e2e::secondsOnTimeMiddle},
    {"seconds_on_time_late", zarn::e2e::secondsOnTimeLate},
    {"drag_moves_window", zarn::e2e::dragMovesWindow},
    {"popup_menu_entries", zarn::e2e::popupMenuEntries},
    {"minimise_and_restore_from_tray", zarn::e2e::minimiseAndRestoreFromTray},
    {"close_from_menu", zarn::e2e::closeFromMenu},
    {"genuine_move_at_515_does_nothing", zarn::e2e::genuineMoveAt515DoesNothing},
    {"taskbar_created_adds_icon_again", zarn::e2e::taskbarCreatedAddsIconAgain},
    {"second_start_brings_clock_back", zarn::e2e::secondStartBringsClockBack},
    {"display_change_brings_clock_back", zarn::e2e::displayChangeBringsClockBack},
    {"decimal_separator_round_trip", zarn::e2e::decimalSeparatorRoundTrip},
    {"properties_dialog_layout", zarn::e2e::propertiesDialogLayout},
    {"properties_ok_applies", zarn::e2e::propertiesOkApplies},
    {"properties_cancel_changes_nothing", zarn::e2e::propertiesCancelChangesNothing},
    {"jpeg_face", zarn::e2e::jpegFace},
    {"soak_quick", zarn::e2e::soakQuick},
    {"soak_long", zarn::e2e::soakLong},
    {"bad_pictures", zarn::e2e::badPictures},
    {"bad_settings_types", zarn::e2e::badSettingsTypes},
};

int usage() {
  std::printf("usage: zarn_e2e SCENARIO CLOCK_EXE WORK_DIR [PHASE]\nscenarios:");
  for (const auto& s : kScenarios) {
    std::printf(" %.*s", static_cast<int>(s.name.size()), s.name.data());
  }
  std::printf("\n");
  return 2;
}

// The local time the harness set, should it have set one, is the time the scenario sees.
void checkPinnedClock() {
  char wanted[16] = {};
  if (GetEnvironmentVariableA("ZARN_E2E_CLOCK", wanted, sizeof wanted) == 0) return;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char got[16];
  std::snprintf(got, sizeof got, "%02d:%02d", now.wHour, now.wMinute);
  zarn::e2e::expectEqual(std::string(got), std::string(wanted),
                         "the local time of day the harness set");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 && argc != 5) return usage();
  const int phase = argc == 5 ? _wtoi(argv[4]) : 0;
  if (argc == 5 && phase < 1) return usage();
  const Context context{zarn::win32::narrow(argv[1]), argv[2], argv[3], phase};
  // The clock is aware of the display's DPI; the driver reads the screen in the same
  // pixels.
  SetProcessDPIAware();
  checkPinnedClock();
  const Scenario* chosen = nullptr;
  for (const auto& s : kScenarios) {
    if (s.name == context.scenario) chosen = &s;
  }
  if (chosen == nullptr) return usage();

  std::string account;
  try {
    if (zarn::e2e::anyFailed()) throw zarn::e2e::ScenarioFailed{};
    account = chosen->run(context);
  } catch (const zarn::e2e::ScenarioFailed&) {
  } catch (const std::exception& e) {
    zarn::e2e::printFailure("the scenario", std::string("exception: ") + e.what(), "no exception",
                            std::source_location::current());
  }
  if (zarn::e2e::anyFailed()) {
    std::printf("FAIL %s\n", context.scenario.c_str());
    return 1;
  }
  std::printf("PASS %s: %s\n", context.scenario.c_str(), account.c_str());
  return 0;
}
