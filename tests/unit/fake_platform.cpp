#include "fake_platform.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <sstream>

#include "clock/frmZarn.h"

namespace zarn::fake {

std::string floatText(float value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), result.ptr};
}

namespace {

std::string handleText(Handle handle) { return std::to_string(handle); }

std::string failedLine(const std::string& line, std::int32_t number) {
  return line + " -> Failure(" + std::to_string(number) + ")";
}

void report(const std::vector<std::string>& got, const std::vector<std::string>& expected,
            const char* file, int line) {
  if (got == expected) return;
  std::size_t first = 0;
  while (first < got.size() && first < expected.size() && got[first] == expected[first]) {
    ++first;
  }
  std::ostringstream out;
  out << "platform calls differ at position " << first << "\n";
  const auto list = [&out](const char* title, const std::vector<std::string>& lines) {
    out << title << " (" << lines.size() << "):\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out << "  [" << i << "] " << testing::PrintToString(lines[i]) << "\n";
    }
  };
  list("got", got);
  list("expected", expected);
  ADD_FAILURE_AT(file, line) << out.str();
}

}  // namespace

void Journal::call(std::string_view name, const std::string& line) {
  countAndCheck(name, line);
  lines_.push_back(line);
}

void Journal::callFailing(std::string_view name, const std::string& line, const Failure& failure) {
  countAndCheck(name, line);
  fail(line, failure);
}

void Journal::countAndCheck(std::string_view name, const std::string& line) {
  auto count = counts_.find(name);
  if (count == counts_.end()) count = counts_.emplace(std::string(name), 0).first;
  const int n = ++count->second;
  const auto injection = injections_.find(name);
  if (injection != injections_.end()) {
    const Injection& due = injection->second;
    if (n == due.from || (due.persistent && n > due.from)) {
      const std::string description = due.description.empty()
                                          ? "Eingespielter Fehler in " + std::string(name)
                                          : due.description;
      fail(line, Failure(due.number, description));
    }
  }
}

void Journal::read(std::string_view name) { countAndCheck(name, std::string(name)); }

void Journal::returns(const std::string& result) {
  if (!lines_.empty()) lines_.back() += "=" + result;
}

void Journal::fail(const std::string& line, const Failure& failure) {
  lines_.push_back(failedLine(line, failure.number()));
  throw failure;
}

void Journal::failOn(const std::string& name, int nth, std::int32_t number,
                     const std::string& description) {
  injections_[name] = Injection{count(name) + nth, false, number, description};
}

void Journal::failFrom(const std::string& name, int nth, std::int32_t number,
                       const std::string& description) {
  injections_[name] = Injection{count(name) + nth, true, number, description};
}

std::vector<std::string> Journal::take() {
  std::vector<std::string> taken;
  taken.swap(lines_);
  return taken;
}

int Journal::count(const std::string& name) const {
  const auto found = counts_.find(name);
  return found == counts_.end() ? 0 : found->second;
}

void expectCalls(const Journal& journal, const std::vector<std::string>& expected, const char* file,
                 int line) {
  report(journal.lines(), expected, file, line);
}

void expectCalls(const std::vector<std::string>& got, const std::vector<std::string>& expected,
                 const char* file, int line) {
  report(got, expected, file, line);
}

// Window.

Handle FakeWindow::hWnd() const {
  journal_.read("hWnd");
  return hWndValue;
}

Handle FakeWindow::icon() const {
  journal_.read("Icon");
  return iconValue;
}

Twips FakeWindow::top() const {
  journal_.read("Top");
  return topValue;
}

Twips FakeWindow::left() const {
  journal_.read("Left");
  return leftValue;
}

Twips FakeWindow::width() const {
  journal_.read("Width");
  return widthValue;
}

Twips FakeWindow::height() const {
  journal_.read("Height");
  return heightValue;
}

void FakeWindow::setTop(Twips value) {
  journal_.call("SetTop", "SetTop(" + floatText(value) + ")");
  topValue = value;
}

void FakeWindow::setLeft(Twips value) {
  journal_.call("SetLeft", "SetLeft(" + floatText(value) + ")");
  leftValue = value;
}

void FakeWindow::setWidth(Twips value) {
  journal_.call("SetWidth", "SetWidth(" + floatText(value) + ")");
  widthValue = value;
}

void FakeWindow::setHeight(Twips value) {
  journal_.call("SetHeight", "SetHeight(" + floatText(value) + ")");
  heightValue = value;
}

Twips FakeWindow::scaleWidth() const {
  journal_.read("ScaleWidth");
  return widthValue;
}

Twips FakeWindow::scaleHeight() const {
  journal_.read("ScaleHeight");
  return heightValue;
}

void FakeWindow::show() {
  journal_.call("Show", "Show");
  visible = true;
}

void FakeWindow::hide() {
  journal_.call("Hide", "Hide");
  visible = false;
}

void FakeWindow::unload() {
  journal_.call("Unload", "Unload");
  if (form != nullptr) {
    std::int16_t cancel = 0;
    form->Form_Unload(cancel);
  }
  visible = false;
  unloaded = true;
}

void FakeWindow::popupMenu() { journal_.call("PopupMenu", "PopupMenu"); }

// Screen.

float FakeScreen::twipsPerPixelX() const {
  journal_.read("Screen.TwipsPerPixelX");
  return twipsX;
}

float FakeScreen::twipsPerPixelY() const {
  journal_.read("Screen.TwipsPerPixelY");
  return twipsY;
}

Twips FakeScreen::virtualRight() const {
  journal_.read("Screen.VirtualRight");
  return static_cast<float>(pixelsWide) * twipsX;
}

Twips FakeScreen::virtualBottom() const {
  journal_.read("Screen.VirtualBottom");
  return static_cast<float>(pixelsHigh) * twipsY;
}

// Drawing.

Handle FakeGdi::createSolidBrush(Colour colour) {
  journal_.call("CreateSolidBrush", "CreateSolidBrush(" + std::to_string(colour) + ")");
  const Handle handle = next_++;
  objects_[handle] = Object{false, colour};
  live_.insert(handle);
  ++created_;
  journal_.returns(handleText(handle));
  return handle;
}

Handle FakeGdi::createPen(int style, int width, Colour colour) {
  journal_.call("CreatePen", "CreatePen(" + std::to_string(style) + "," + std::to_string(width) +
                                 "," + std::to_string(colour) + ")");
  const Handle handle = next_++;
  objects_[handle] = Object{true, colour};
  live_.insert(handle);
  ++created_;
  journal_.returns(handleText(handle));
  return handle;
}

Handle FakeGdi::selectObject(Handle object) {
  journal_.call("SelectObject", "SelectObject(" + handleText(object) + ")");
  // GDI refuses the null handle and changes nothing, as it does for DeleteObject.
  if (object == 0) return 0;
  const auto found = objects_.find(object);
  if (found == objects_.end() || live_.count(object) == 0) {
    ++selectsOfDead_;
    return 0;
  }
  Handle& slot = found->second.pen ? selectedPen_ : selectedBrush_;
  const Handle previous = slot;
  slot = object;
  return previous;
}

void FakeGdi::selectStockObjects() {
  journal_.call("SelectStockObjects", "SelectStockObjects");
  selectedBrush_ = kStockBrush;
  selectedPen_ = kStockPen;
}

bool FakeGdi::deleteObject(Handle object) {
  journal_.call("DeleteObject", "DeleteObject(" + handleText(object) + ")");
  if (object == 0) return false;
  if (live_.count(object) == 0) {
    ++doubleDeletes_;
    return false;
  }
  if (object == selectedBrush_ || object == selectedPen_) {
    ++deletesOfSelected_;
    return false;
  }
  live_.erase(object);
  return true;
}

bool FakeGdi::polygon(const Point* points, int count) {
  std::string line = "Polygon(";
  std::vector<Point> copy;
  for (int i = 0; i < count; ++i) {
    const Point& point = points[i];
    if (i > 0) line += ",";
    line += "(" + std::to_string(point.x) + "," + std::to_string(point.y) + ")";
    copy.push_back(point);
  }
  line += ")";
  journal_.call("Polygon", line);
  polygons_.push_back(Drawn{selectedBrush_, selectedPen_, std::move(copy)});
  return true;
}

void FakeGdi::paintPicture(const Picture& picture, Twips x, Twips y, Twips width, Twips height) {
  journal_.call("PaintPicture", "PaintPicture(" + handleText(picture.handle()) + "," +
                                    floatText(x) + "," + floatText(y) + "," + floatText(width) +
                                    "," + floatText(height) + ")");
}

Colour FakeGdi::colourOf(Handle object) const {
  const auto found = objects_.find(object);
  return found == objects_.end() ? -1 : found->second.colour;
}

// Pictures.

namespace {

class FakePicture : public Picture {
 public:
  FakePicture(Handle handle, std::shared_ptr<std::set<Handle>> live)
      : handle_(handle), live_(std::move(live)) {
    if (handle_ != 0) live_->insert(handle_);
  }
  FakePicture(const FakePicture&) = delete;
  FakePicture& operator=(const FakePicture&) = delete;
  ~FakePicture() override {
    if (handle_ != 0) live_->erase(handle_);
  }

  [[nodiscard]] Handle handle() const override { return handle_; }

 private:
  Handle handle_;
  std::shared_ptr<std::set<Handle>> live_;
};

}  // namespace

FakePictures::FakePictures(Journal& journal)
    : journal_(journal), live_(std::make_shared<std::set<Handle>>()) {}

std::unique_ptr<Picture> FakePictures::loadPicture(const std::string& path) {
  const std::string line = "LoadPicture(" + path + ")";
  if (!path.empty() && files.count(path) == 0) {
    journal_.callFailing("LoadPicture", line,
                         Failure(kFileNotFound, "Bild \"" + path +
                                                    "\" kann nicht geladen werden: Das System "
                                                    "kann die angegebene Datei nicht finden."));
  }
  journal_.call("LoadPicture", line);
  if (path.empty()) {
    journal_.returns("0");
    return std::make_unique<FakePicture>(0, live_);
  }
  const Handle handle = next_++;
  ++loaded_;
  journal_.returns(handleText(handle));
  return std::make_unique<FakePicture>(handle, live_);
}

// Time.

void FakeTime::script(std::vector<LocalTime> readings) {
  if (readings.empty()) readings.push_back(LocalTime{});
  readings_ = std::move(readings);
  next_ = 0;
}

void FakeTime::set(int hour, int minute, int second) { script({LocalTime{hour, minute, second}}); }

LocalTime FakeTime::now() {
  journal_.call("Now", "Now");
  const LocalTime reading = readings_[std::min(next_, readings_.size() - 1)];
  ++next_;
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%02d:%02d:%02d", reading.hour, reading.minute,
                reading.second);
  journal_.returns(text.data());
  return reading;
}

// Settings.

std::string FakeSettings::getSetting(const std::string& app, const std::string& section,
                                     const std::string& key, const std::string& defaultText) {
  journal_.call("GetSetting",
                "GetSetting(" + app + "," + section + "," + key + "," + defaultText + ")");
  const auto found = values_.find({app, section, key});
  return found == values_.end() ? defaultText : found->second;
}

void FakeSettings::saveSetting(const std::string& app, const std::string& section,
                               const std::string& key, const std::string& text) {
  journal_.call("SaveSetting", "SaveSetting(" + app + "," + section + "," + key + "," + text + ")");
  values_[{app, section, key}] = text;
}

void FakeSettings::put(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& text) {
  values_[{app, section, key}] = text;
}

std::optional<std::string> FakeSettings::stored(const std::string& app, const std::string& section,
                                                const std::string& key) const {
  const auto found = values_.find({app, section, key});
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

// Locale.

std::string FakeLocale::decimalSeparator() const {
  journal_.read("DecimalSeparator");
  return separator;
}

// Message boxes.

void FakeMessages::msgBox(const std::string& text, int style, const std::string& title) {
  journal_.call("MsgBox", "MsgBox(" + text + "," + std::to_string(style) + "," + title + ")");
  texts_.push_back(text);
  ++depth_;
  maxDepth_ = std::max(maxDepth_, depth_);
  const std::unique_ptr<int, void (*)(int*)> closed(&depth_, [](int* depth) { --*depth; });
  if (whileOpen) whileOpen(text);
}

// Process.

void FakeProcess::end() {
  journal_.call("End", "End");
  ++ends_;
}

// Shell.

bool FakeShell::shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  journal_.call("Shell_NotifyIcon", "Shell_NotifyIcon(" + std::to_string(message) + ")");
  records.emplace_back(message, data);
  const std::pair<Handle, std::uint32_t> icon{data.hWnd, data.uID};
  if (message == Shell::kNimDelete) {
    shown_.erase(icon);
    return true;
  }
  if (message == Shell::kNimAdd && (refuseAdds > 0 || shown_.count(icon) != 0)) {
    if (shown_.count(icon) == 0) --refuseAdds;
    journal_.returns("0");
    return false;
  }
  shown_.insert(icon);
  return true;
}

// Activation.

Handle FakeActivation::getForegroundWindow() {
  journal_.call("GetForegroundWindow", "GetForegroundWindow");
  journal_.returns(handleText(foreground));
  return foreground;
}

std::uint32_t FakeActivation::getWindowThreadProcessId(Handle window) {
  journal_.call("GetWindowThreadProcessId", "GetWindowThreadProcessId(" + handleText(window) + ")");
  const auto found = threads.find(window);
  const std::uint32_t thread = found == threads.end() ? 0 : found->second;
  journal_.returns(std::to_string(thread));
  return thread;
}

bool FakeActivation::attachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo,
                                       std::int32_t attach) {
  journal_.call("AttachThreadInput", "AttachThreadInput(" + std::to_string(idAttach) + "," +
                                         std::to_string(idAttachTo) + "," + std::to_string(attach) +
                                         ")");
  return idAttach != 0 && idAttachTo != 0;
}

bool FakeActivation::setForegroundWindow(Handle window) {
  journal_.call("SetForegroundWindow", "SetForegroundWindow(" + handleText(window) + ")");
  foreground = window;
  return true;
}

bool FakeActivation::isIconic(Handle window) {
  journal_.call("IsIconic", "IsIconic(" + handleText(window) + ")");
  const bool result = iconic.count(window) != 0;
  journal_.returns(result ? "1" : "0");
  return result;
}

bool FakeActivation::showWindow(Handle window, int command) {
  journal_.call("ShowWindow",
                "ShowWindow(" + handleText(window) + "," + std::to_string(command) + ")");
  if (command == kSwRestore) iconic.erase(window);
  return true;
}

bool FakeActivation::raiseToTop(Handle window) {
  journal_.call("SetWindowPos", "SetWindowPos(" + handleText(window) + ",HWND_TOP)");
  return true;
}

}  // namespace zarn::fake
