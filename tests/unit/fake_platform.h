#pragma once

// A recording fake of the platform interfaces. Every call that the clock's logic makes is
// written as one line into a shared Journal, so a test states the expected sequence of
// platform calls and compares it whole with expectCalls().
//
// Line formats (numbers in decimal, floats in their shortest exact form):
//   CreateSolidBrush(255)=101        CreatePen(0,1,255)=102         SelectObject(101)
//   SelectStockObjects               DeleteObject(101)
//   Polygon((100,100),(98,84),(100,41),(102,84))
//   PaintPicture(501,0,0,3000,3000)  LoadPicture(clockbg5.bmp)=501  LoadPicture()=0
//   Now=12:00:00                     GetSetting(Zarn,Layout,HourColor,16777215)
//   SaveSetting(Zarn,Layout,Top,0)   MsgBox(<text>,0,Zarn)          End
//   SetTop(0)  SetLeft(0)  SetWidth(3000)  SetHeight(3000)  Show  Hide  Unload  PopupMenu
//   Shell_NotifyIcon(0)              GetForegroundWindow=7          GetWindowThreadProcessId(7)=9
//   Shell_NotifyIcon(0)=0 (an add the shell refused: not ready, or the icon shown already)
//   AttachThreadInput(9,5,-1)        SetForegroundWindow(100)       IsIconic(100)=0
//   ShowWindow(100,5)                SetWindowPos(100,HWND_TOP)
//
// Property reads (window geometry and handles, screen metrics, the decimal separator) are
// not recorded, but they count as calls for failure injection under the names Top, Left,
// Width, Height, ScaleWidth, ScaleHeight, hWnd, Icon, Screen.TwipsPerPixelX,
// Screen.TwipsPerPixelY, Screen.VirtualRight, Screen.VirtualBottom, DecimalSeparator.
//
// Failure injection names a call by the first word of its line (Polygon, GetSetting, Now,
// MsgBox, ...) or by the read names above. A call that fails is recorded with " ->
// Failure(<number>)" after its line (without a result) and then throws.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/platform.h"
#include "platform/types.h"

namespace zarn {
class frmZarn;
}

namespace zarn::fake {

inline constexpr std::int32_t kInjectedNumber = 4711;

// Text of a float as the journal writes it: the shortest form that reads back exactly.
std::string floatText(float value);

class Journal {
 public:
  // Counts a call of `name`; when an injected failure is due, records `line` as failed
  // and throws it. Otherwise records `line`.
  void call(std::string_view name, const std::string& line);
  // Like call(), but records nothing unless the call fails (property reads).
  void read(std::string_view name);
  // Counts a call of `name` that fails of itself (a missing picture file): records `line`
  // as failed and throws `failure`, unless an injected failure is due first.
  [[noreturn]] void callFailing(std::string_view name, const std::string& line,
                                const Failure& failure);
  // Appends "=<result>" to the last line.
  void returns(const std::string& result);
  // The `nth` call (counted from 1) of `name` from now on throws Failure(number,
  // description). failFrom() makes every call from the `nth` on fail.
  void failOn(const std::string& name, int nth, std::int32_t number = kInjectedNumber,
              const std::string& description = "");
  void failFrom(const std::string& name, int nth, std::int32_t number = kInjectedNumber,
                const std::string& description = "");

  [[nodiscard]] const std::vector<std::string>& lines() const { return lines_; }
  // Returns the lines recorded so far and starts afresh (injections stay armed).
  std::vector<std::string> take();
  void clear() { lines_.clear(); }
  // How many calls of `name` were made so far (recorded or not).
  [[nodiscard]] int count(const std::string& name) const;

 private:
  struct Injection {
    int from = 0;
    bool persistent = false;
    std::int32_t number = 0;
    std::string description;
  };

  void countAndCheck(std::string_view name, const std::string& line);
  [[noreturn]] void fail(const std::string& line, const Failure& failure);

  std::vector<std::string> lines_;
  std::map<std::string, int, std::less<>> counts_;
  std::map<std::string, Injection, std::less<>> injections_;
};

// Compares the journal's lines with `expected` whole; a mismatch is reported at the
// caller's line with both sequences and the first differing position.
// (The caller's place comes from the compiler's builtins: std::source_location is not
// available to clang-tidy with this standard library.)
void expectCalls(const Journal& journal, const std::vector<std::string>& expected,
                 const char* file = __builtin_FILE(), int line = __builtin_LINE());
void expectCalls(const std::vector<std::string>& got, const std::vector<std::string>& expected,
                 const char* file = __builtin_FILE(), int line = __builtin_LINE());

class FakeWindow : public ClockWindow {
 public:
  explicit FakeWindow(Journal& journal) : journal_(journal) {}

  // The form whose Form_Unload the window system runs on unload().
  frmZarn* form = nullptr;

  Handle hWndValue = 100;
  Handle iconValue = 300;
  // Outer rectangle in twips; the borderless window's client area is the same size.
  Twips topValue = 0;
  Twips leftValue = 0;
  Twips widthValue = 3024;
  Twips heightValue = 3000;
  bool visible = false;
  bool unloaded = false;

  [[nodiscard]] Handle hWnd() const override;
  [[nodiscard]] Handle icon() const override;
  [[nodiscard]] Twips top() const override;
  [[nodiscard]] Twips left() const override;
  [[nodiscard]] Twips width() const override;
  [[nodiscard]] Twips height() const override;
  void setTop(Twips value) override;
  void setLeft(Twips value) override;
  void setWidth(Twips value) override;
  void setHeight(Twips value) override;
  [[nodiscard]] Twips scaleWidth() const override;
  [[nodiscard]] Twips scaleHeight() const override;
  void show() override;
  void hide() override;
  void unload() override;
  void popupMenu() override;

 private:
  Journal& journal_;
};

class FakeScreen : public Screen {
 public:
  explicit FakeScreen(Journal& journal) : journal_(journal) {}

  float twipsX = 15;
  float twipsY = 15;
  // The virtual screen's right and bottom edges in pixels; one 1280 × 1024 monitor.
  int pixelsWide = 1280;
  int pixelsHigh = 1024;

  [[nodiscard]] float twipsPerPixelX() const override;
  [[nodiscard]] float twipsPerPixelY() const override;
  // pixels × twips per pixel, in single precision.
  [[nodiscard]] Twips virtualRight() const override;
  [[nodiscard]] Twips virtualBottom() const override;

 private:
  Journal& journal_;
};

class FakeGdi : public Gdi {
 public:
  static constexpr Handle kStockBrush = 1;
  static constexpr Handle kStockPen = 2;

  explicit FakeGdi(Journal& journal) : journal_(journal) {}

  struct Drawn {
    Handle brush = 0;
    Handle pen = 0;
    std::vector<Point> points;
  };

  Handle createSolidBrush(Colour colour) override;
  Handle createPen(int style, int width, Colour colour) override;
  Handle selectObject(Handle object) override;
  void selectStockObjects() override;
  bool deleteObject(Handle object) override;
  bool polygon(const Point* points, int count) override;
  void paintPicture(const Picture& picture, Twips x, Twips y, Twips width, Twips height) override;

  // Objects created and not yet deleted.
  [[nodiscard]] const std::set<Handle>& live() const { return live_; }
  [[nodiscard]] Handle selectedBrush() const { return selectedBrush_; }
  [[nodiscard]] Handle selectedPen() const { return selectedPen_; }
  [[nodiscard]] Colour colourOf(Handle object) const;
  [[nodiscard]] int created() const { return created_; }
  // Faults of the caller: deleting an object while it is selected (it then stays alive,
  // as the real delete fails), deleting a dead or unknown object, selecting one. The null
  // handle, which GDI refuses without effect, is none of these.
  [[nodiscard]] int deletesOfSelected() const { return deletesOfSelected_; }
  [[nodiscard]] int doubleDeletes() const { return doubleDeletes_; }
  [[nodiscard]] int selectsOfDead() const { return selectsOfDead_; }
  // Every polygon drawn, with the brush and pen selected at the time.
  [[nodiscard]] const std::vector<Drawn>& polygons() const { return polygons_; }
  void clearPolygons() { polygons_.clear(); }

 private:
  struct Object {
    bool pen = false;
    Colour colour = 0;
  };

  Journal& journal_;
  Handle next_ = 101;
  std::map<Handle, Object> objects_;  // every object ever created
  std::set<Handle> live_;
  Handle selectedBrush_ = kStockBrush;
  Handle selectedPen_ = kStockPen;
  int created_ = 0;
  int deletesOfSelected_ = 0;
  int doubleDeletes_ = 0;
  int selectsOfDead_ = 0;
  std::vector<Drawn> polygons_;
};

// Picture files the fake can load, by path. "clockbg5.bmp" and "clockbg1.bmp" exist from
// the start. A missing path throws the system's "file not found" failure; the empty path
// gives a picture with handle 0.
class FakePictures : public PictureLoader {
 public:
  static constexpr std::int32_t kFileNotFound = -2147024894;  // 0x80070002

  explicit FakePictures(Journal& journal);

  std::set<std::string> files{"clockbg5.bmp", "clockbg1.bmp"};

  std::unique_ptr<Picture> loadPicture(const std::string& path) override;

  // Handles of the pictures loaded and not yet released (the empty picture has none).
  [[nodiscard]] const std::set<Handle>& live() const { return *live_; }
  [[nodiscard]] int loaded() const { return loaded_; }

 private:
  Journal& journal_;
  std::shared_ptr<std::set<Handle>> live_;
  Handle next_ = 501;
  int loaded_ = 0;
};

class FakeTime : public TimeOfDay {
 public:
  explicit FakeTime(Journal& journal) : journal_(journal) {}

  // The readings to return in order; the last one repeats once the script is used up.
  void script(std::vector<LocalTime> readings);
  // Every reading from now on gives this time.
  void set(int hour, int minute, int second);

  LocalTime now() override;

 private:
  Journal& journal_;
  std::vector<LocalTime> readings_{LocalTime{}};
  std::size_t next_ = 0;
};

// A map from (application, section, key) to text, with the store's default rule: an
// absent key reads as the default text.
class FakeSettings : public SettingsStore {
 public:
  explicit FakeSettings(Journal& journal) : journal_(journal) {}

  std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& defaultText) override;
  void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& text) override;

  // Direct access for tests, not recorded; the short forms address "Zarn", "Layout".
  void put(const std::string& app, const std::string& section, const std::string& key,
           const std::string& text);
  void put(const std::string& key, const std::string& text) { put("Zarn", "Layout", key, text); }
  [[nodiscard]] std::optional<std::string> stored(const std::string& app,
                                                  const std::string& section,
                                                  const std::string& key) const;
  [[nodiscard]] std::optional<std::string> stored(const std::string& key) const {
    return stored("Zarn", "Layout", key);
  }
  [[nodiscard]] std::size_t size() const { return values_.size(); }

 private:
  Journal& journal_;
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

class FakeLocale : public UserLocale {
 public:
  explicit FakeLocale(Journal& journal) : journal_(journal) {}

  std::string separator = ".";

  [[nodiscard]] std::string decimalSeparator() const override;

 private:
  Journal& journal_;
};

class FakeMessages : public MessageBoxes {
 public:
  explicit FakeMessages(Journal& journal) : journal_(journal) {}

  // Runs while a box is open, with the box's text: stands for the messages that the
  // modal loop dispatches meanwhile.
  std::function<void(const std::string& text)> whileOpen;

  void msgBox(const std::string& text, int style, const std::string& title) override;

  // Texts of every box shown, in order.
  [[nodiscard]] const std::vector<std::string>& texts() const { return texts_; }
  [[nodiscard]] bool open() const { return depth_ > 0; }
  // How many boxes are open now.
  [[nodiscard]] int depth() const { return depth_; }
  // The most boxes that were ever open at once.
  [[nodiscard]] int maxDepth() const { return maxDepth_; }

 private:
  Journal& journal_;
  std::vector<std::string> texts_;
  int depth_ = 0;
  int maxDepth_ = 0;
};

class FakeProcess : public Process {
 public:
  explicit FakeProcess(Journal& journal) : journal_(journal) {}

  // The fake returns from end(); the caller then returns as if the process had gone.
  void end() override;
  [[nodiscard]] int ends() const { return ends_; }

 private:
  Journal& journal_;
  int ends_ = 0;
};

class FakeShell : public Shell {
 public:
  explicit FakeShell(Journal& journal) : journal_(journal) {}

  bool shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) override;

  // How many adds from now on the shell refuses, as one that is not ready yet does.
  int refuseAdds = 0;
  // Every record passed, with its message.
  std::vector<std::pair<std::uint32_t, NotifyIconData>> records;

 private:
  Journal& journal_;
  // The icons shown, by window and identifier: an add of one of them is refused.
  std::set<std::pair<Handle, std::uint32_t>> shown_;
};

class FakeActivation : public WindowActivation {
 public:
  explicit FakeActivation(Journal& journal) : journal_(journal) {}

  Handle foreground = 7;
  // Thread of each window; unknown windows (and 0) belong to thread 0.
  std::map<Handle, std::uint32_t> threads{{7, 9}, {100, 5}};
  std::set<Handle> iconic;

  Handle getForegroundWindow() override;
  std::uint32_t getWindowThreadProcessId(Handle window) override;
  bool attachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo,
                         std::int32_t attach) override;
  bool setForegroundWindow(Handle window) override;
  bool isIconic(Handle window) override;
  bool showWindow(Handle window, int command) override;
  bool raiseToTop(Handle window) override;

 private:
  Journal& journal_;
};

// All eleven fakes on one journal.
struct FakePlatform {
  Journal journal;
  FakeWindow window{journal};
  FakeScreen screen{journal};
  FakeGdi gdi{journal};
  FakePictures pictures{journal};
  FakeTime time{journal};
  FakeSettings settings{journal};
  FakeLocale locale{journal};
  FakeMessages messages{journal};
  FakeProcess process{journal};
  FakeShell shell{journal};
  FakeActivation activation{journal};

  [[nodiscard]] Platform platform() {
    return Platform{window, screen,   gdi,     pictures, time,      settings,
                    locale, messages, process, shell,    activation};
  }
};

}  // namespace zarn::fake
