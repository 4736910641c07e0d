#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zarn {

// The one failure type of the program. A failing step throws it; the procedure's trap
// reports its number and description.
//
// Numbers of our own failures (the platform's own failures carry the system's error
// number, or the HRESULT as a signed 32-bit value, and the system's message):
//   1001  a stored setting is not a number          "... ist keine Zahl"
//   1002  a stored setting is out of range          "... liegt außerhalb des Wertebereichs"
//   1003  no background picture is loaded           "Kein Hintergrundbild geladen"
//   1004  a picture file cannot be used             "Bild \"path\" kann nicht geladen werden: ..."
//   1005  division by zero                          "Division durch null: ..."
//   1006  overflow of a conversion                  "Überlauf: ..."
//   1007  a stored setting is not text              "... ist kein Text"
namespace errors {
inline constexpr std::int32_t kNotANumber = 1001;
inline constexpr std::int32_t kOutOfRange = 1002;
inline constexpr std::int32_t kNoPicture = 1003;
inline constexpr std::int32_t kPictureUnusable = 1004;
inline constexpr std::int32_t kDivisionByZero = 1005;
inline constexpr std::int32_t kOverflow = 1006;
inline constexpr std::int32_t kSettingNotText = 1007;
}  // namespace errors

class Failure : public std::runtime_error {
 public:
  Failure(std::int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  [[nodiscard]] std::int32_t number() const { return number_; }
  [[nodiscard]] std::string description() const { return what(); }

 private:
  std::int32_t number_;
};

}  // namespace zarn
