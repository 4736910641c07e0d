// libFuzzer entry: the input's first byte chooses the locale's separator, the screen's
// density and size; the rest are the stored texts of the eight keys in the order of the
// restoring steps, split at the byte 0xFF. A text that is the single byte 0xFE stands for
// an absent key, and keys past the last text are absent too.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* const separators[] = {".", ",", "", "\xD9\xAB"};
  const float densities[] = {15.0F, 12.0F, 1440.0F / 168.0F, 7.5F};
  const int screens[][2] = {{1280, 1024}, {800, 600}, {1, 1}, {3840, 2160}};

  zarn::oracle::Scenario scenario;
  const std::uint8_t choice = data[0];
  scenario.separator = separators[choice % 4];
  scenario.twipsX = densities[(choice >> 2) % 4];
  scenario.twipsY = densities[(choice >> 4) % 4];
  scenario.pixelsWide = screens[(choice >> 6) % 4][0];
  scenario.pixelsHigh = screens[(choice >> 6) % 4][1];

  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t key = 0;
  std::size_t from = 0;
  while (key < scenario.stored.size() && from <= rest.size()) {
    const std::size_t end = std::min(rest.find('\xFF', from), rest.size());
    const std::string text = rest.substr(from, end - from);
    if (text != "\xFE") scenario.stored[key] = text;
    ++key;
    from = end + 1;
  }

  const zarn::oracle::Outcome outcome = zarn::oracle::check(scenario);
  if (outcome.departures.empty()) return 0;
  std::fprintf(stderr, "%s\n", zarn::oracle::describe(scenario).c_str());
  for (const std::string& departure : outcome.departures) {
    std::fprintf(stderr, "  -> %s\n", departure.c_str());
  }
  std::abort();
}
