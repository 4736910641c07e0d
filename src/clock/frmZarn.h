#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "clock/mouse_input.h"
#include "platform/failure.h"
#include "platform/platform.h"
#include "platform/types.h"
#include "properties/frmProperties.h"

namespace zarn {

// The text of a failure report: the error number and the step in sign-position form (a
// blank before zero and positive numbers), the description, then on the second line the
// window, the procedure and the step.
std::string reportText(std::int32_t number, std::string_view description, std::string_view procName,
                       int line);

// The clock window: its numbered-step procedures, run by the window system.
class frmZarn {
 public:
  // The style of the failure report's box: the OK button alone, no icon.
  static constexpr int kReportStyle = 0;

  frmZarn(Platform& platform, frmProperties& properties);

  void Form_Load();
  void Form_Unload(std::int16_t& Cancel);
  void Trigger_Timer();
  void Form_MouseDown(std::int16_t Button, std::int16_t Shift, Twips X, Twips Y);
  void Form_MouseMove(std::int16_t Button, std::int16_t Shift, Twips X, Twips Y, MoveSource source);
  void mitMini_Click(std::int16_t Index);
  void mitClose_Click(std::int16_t Index);
  void mitProp_Click(std::int16_t Index);
  // The window has a new size: the face shown is decoded afresh at it, from its own file.
  void rescaleFace();
  // The shell has restarted and lost every notification icon, has just become ready, or
  // announces itself again while it still shows ours: put ours back, or add it at last.
  void TaskbarCreated();
  // The retry timer of a refused icon: one more delete and add, silent whatever the shell
  // answers.
  void TrayRetry_Timer();
  // The window system has destroyed the clock window. An icon still added (Form_Unload
  // failed before its step 120) is deleted, so that no ghost of it stays in the
  // notification area.
  void Form_Destroyed();

  // Whether the shell refused the icon and the window should retry it every few seconds.
  [[nodiscard]] bool trayIconRefused() const { return trayIcon_ == TrayIconState::refused; }

  // Whether a failure report of this window is open (ticks do nothing meanwhile).
  [[nodiscard]] bool reportOpen() const { return reportsOpen_ > 0; }

  // Fields of the clock window. picBG: nullptr until loaded (none). The six handles are
  // owned here from creation (Form_Load, mitProp_Click) to deletion (Form_Unload,
  // mitProp_Click); 0 before the first creation and from each deletion on.
  std::unique_ptr<Picture> picBG;
  Handle brushHour = 0;
  Handle penHour = 0;
  Handle brushMin = 0;
  Handle penMin = 0;
  Handle brushSec = 0;
  Handle penSec = 0;
  std::int32_t grabX = 0;
  std::int32_t grabY = 0;
  NotifyIconData trayIcon{};

 private:
  struct CurrentError {
    std::int32_t number = 0;
    std::string description;
    int line = 0;
  };

  // The window's size in pixels, as drawZeiger's steps 150 and 160 compute it.
  struct Extent {
    double W;
    double H;
  };
  // One kite-shaped hand: its shoulders `spread` radians either side of its direction, its
  // tip at W / tipDivisor / 2 from the centre, and the name its overflow failures carry.
  struct Kite {
    const char* name;
    double spread;
    double tipDivisor;
    Handle brush;
    Handle pen;
  };

  void drawZeiger();
  // The centre, shoulder, tip and shoulder of a hand at `position` sixtieths of the dial,
  // then its brush, its pen and its Polygon: eleven steps numbered by `steps`.
  void drawKite(int& line, const std::array<int, 11>& steps, const Extent& size, double position,
                const Kite& kite);
  void reportError(std::string_view procName);
  // The six creations or deletions, one step each, numbered by `steps`; the deletions
  // select the stock objects back first, within their first step.
  void createDrawingObjects(int& line, const std::array<int, 6>& steps);
  void deleteDrawingObjects(int& line, const std::array<int, 6>& steps);
  // One key of the settings store, read or written under the program's application and
  // section; the readings convert the text as the conversions of settings.h say.
  Colour readColour(const char* key, const std::string& separator);
  Twips readTwips(const char* key, const std::string& defaultText, const std::string& separator);
  void saveSetting(const char* key, const std::string& text);

  // Runs `body` under the procedure's error trap: `line` holds the step being executed;
  // a Failure there is reported with that step, then the procedure ends. Returns whether
  // the body completed.
  template <typename Body>
  bool trapped(std::string_view procName, Body&& body);

  Platform& p_;
  frmProperties& props_;
  CurrentError err_;
  int reportsOpen_ = 0;
  // The icon from its add at step 320 to its delete: the shell accepted it, or refused it
  // and a retry is due. A refused add may still have reached the shell, so a refused icon is
  // deleted like an added one.
  enum class TrayIconState { absent, refused, added };
  // Deletes the icon and adds it once more; the shell's refusal and any failure pass
  // silently.
  void addTrayIconAgain();
  // Deletes the icon if it is not absent; any failure passes silently.
  void deleteTrayIconQuietly();

  TrayIconState trayIcon_ = TrayIconState::absent;
  // The file picBG was loaded from: bgPath names another one after a face that could not be
  // loaded, which left the old one shown.
  std::string faceFile_;
};

}  // namespace zarn
