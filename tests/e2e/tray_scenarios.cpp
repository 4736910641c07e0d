#include <source_location>

#include "scenarios.h"

namespace zarn::e2e {

std::string dragMovesWindow(const Context& /*context*/) {
  printFailure("dragMovesWindow", "not written", "a scenario", std::source_location::current());
  return {};
}

std::string popupMenuEntries(const Context& /*context*/) {
  printFailure("popupMenuEntries", "not written", "a scenario", std::source_location::current());
  return {};
}

std::string minimiseAndRestoreFromTray(const Context& /*context*/) {
  printFailure("minimiseAndRestoreFromTray", "not written", "a scenario",
               std::source_location::current());
  return {};
}

std::string closeFromMenu(const Context& /*context*/) {
  printFailure("closeFromMenu", "not written", "a scenario", std::source_location::current());
  return {};
}

std::string genuineMoveAt515DoesNothing(const Context& /*context*/) {
  printFailure("genuineMoveAt515DoesNothing", "not written", "a scenario",
               std::source_location::current());
  return {};
}

std::string taskbarCreatedAddsIconAgain(const Context& /*context*/) {
  printFailure("taskbarCreatedAddsIconAgain", "not written", "a scenario",
               std::source_location::current());
  return {};
}

}  // namespace zarn::e2e
