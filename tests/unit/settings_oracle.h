#pragma once

// An independent reading of stored settings, and a check of the restoring steps against
// it. The seeded generator of the unit tests and the libFuzzer target both feed it.
//
// The reference reads a text in its own way: the grammar is the list of the sequences of
// character classes that make a number, colours are rounded by exact comparison of decimal
// digit strings, and geometry values come from the C library's strtof, a conversion
// written apart from the program's own.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn::oracle {

// What the conversion rules make of one stored text: accepted with its value (failure 0),
// or refused with errors::kNotANumber or errors::kOutOfRange.
struct Reading {
  std::int32_t failure = 0;
  std::int32_t colour = 0;
  float twips = 0.0F;
};

Reading readColour(const std::string& text, const std::string& separator);
Reading readTwips(const std::string& text, const std::string& separator);

// One start-up: the eight stored values in the order of the restoring steps (nullopt for
// an absent key), the user locale's separator and the screen.
struct Scenario {
  std::array<std::optional<std::string>, 8> stored;
  std::string separator = ".";
  float twipsX = 15.0F;
  float twipsY = 15.0F;
  int pixelsWide = 1280;
  int pixelsHigh = 1024;
};

// The keys in the order of the restoring steps 30 to 100.
extern const std::array<const char*, 8> kKeys;

struct Outcome {
  // Every way in which the restoring steps departed from the reference; empty when none.
  std::vector<std::string> departures;
  // The step that failed, 0 when the steps completed.
  int failedLine = 0;
};

// Runs the start-up for the scenario on a fresh fake platform and compares the
// failure, its step, the appearance values, the window's geometry and every geometry
// value applied on the way with the reference.
Outcome check(const Scenario& scenario);

// The scenario in a form fit for a failure message, with unprintable bytes escaped.
std::string describe(const Scenario& scenario);

}  // namespace zarn::oracle
