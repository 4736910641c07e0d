#include <source_location>

#include "scenarios.h"

namespace zarn::e2e {

std::string propertiesDialogLayout(const Context& /*context*/) {
  printFailure("propertiesDialogLayout", "not written", "a scenario",
               std::source_location::current());
  return {};
}

std::string propertiesOkApplies(const Context& /*context*/) {
  printFailure("propertiesOkApplies", "not written", "a scenario", std::source_location::current());
  return {};
}

std::string propertiesCancelChangesNothing(const Context& /*context*/) {
  printFailure("propertiesCancelChangesNothing", "not written", "a scenario",
               std::source_location::current());
  return {};
}

std::string jpegFace(const Context& /*context*/) {
  printFailure("jpegFace", "not written", "a scenario", std::source_location::current());
  return {};
}

}  // namespace zarn::e2e
