// expectCalls, which every journal comparison of the clock's tests goes through, must
// report a mismatch, and where it lies.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "fake_platform.h"

namespace zarn::fake {
namespace {

TEST(FakeJournal, ExpectCallsReportsAMismatchAtTheCallersLine) {
  Journal journal;
  journal.call("Show", "Show");
  EXPECT_NONFATAL_FAILURE(expectCalls(journal, {"Hide"}), "differ at position 0");
  EXPECT_NONFATAL_FAILURE(expectCalls(journal, {"Show", "Hide"}), "expected (2)");
}

}  // namespace
}  // namespace zarn::fake
