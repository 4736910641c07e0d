#include "platform/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "platform/failure.h"

namespace zarn {
namespace {

struct RoundCase {
  double value;
  double rounded;
};

TEST(RoundHalfEven, TiesGoToTheEvenNeighbourOthersToTheNearest) {
  const RoundCase cases[] = {
      {2.5, 2},
      {3.5, 4},
      {100.5, 100},
      {26.5, 26},
      {25.5, 26},
      {27.5, 28},
      {0.5, 0},
      {1.5, 2},
      {-0.5, -0.0},
      {-1.5, -2},
      {-2.5, -2},
      {-3.5, -4},
      {2.4999, 2},
      {2.5001, 3},
      {-2.5001, -3},
      {-2.4999, -2},
      {0.0, 0},
      {7.0, 7},
      {-7.0, -7},
      {59.5, 60},
      {200.5, 200},
      {201.5, 202},
      {0.49999999999999994, 0},
      {4503599627370495.5, 4503599627370496},
      {4503599627370494.5, 4503599627370494},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(roundHalfEven(c.value), c.rounded) << "value " << c.value;
  }
}

TEST(RoundHalfEven, PassesNonFiniteValuesThrough) {
  EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
}

struct IntCase {
  double value;
  bool overflows;
  std::int32_t result;
};

void expectOverflow(const std::function<void()>& convert, const std::string& what) {
  try {
    convert();
    ADD_FAILURE() << what << ": no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), errors::kOverflow) << what;
    EXPECT_NE(failure.description().find(what), std::string::npos) << failure.description();
  }
}

TEST(ToInt16, RoundsAndChecksTheSixteenBitRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const IntCase cases[] = {
      {32767, false, 32767},   {32767.4, false, 32767},   {32767.5, true, 0},  {32768, true, 0},
      {-32768, false, -32768}, {-32768.5, false, -32768}, {-32768.6, true, 0}, {-32769, true, 0},
      {200.5, false, 200},     {201.5, false, 202},       {-0.5, false, 0},    {nan, true, 0},
      {inf, true, 0},          {-inf, true, 0},
  };
  for (const auto& c : cases) {
    if (c.overflows) {
      expectOverflow([&] { (void)toInt16(c.value, "Breite"); }, "Breite");
    } else {
      EXPECT_EQ(toInt16(c.value, "Breite"), c.result) << "value " << c.value;
    }
  }
}

TEST(ToInt32, RoundsAndChecksTheThirtyTwoBitRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const IntCase cases[] = {
      {2147483647.0, false, 2147483647},
      {2147483647.4, false, 2147483647},
      {2147483647.5, true, 0},
      {2147483648.0, true, 0},
      {-2147483648.0, false, -2147483647 - 1},
      {-2147483648.5, false, -2147483647 - 1},
      {-2147483648.6, true, 0},
      {600.5, false, 600},
      {601.5, false, 602},
      {-600.5, false, -600},
      {nan, true, 0},
      {inf, true, 0},
      {-inf, true, 0},
      {1e300, true, 0},
  };
  for (const auto& c : cases) {
    if (c.overflows) {
      expectOverflow([&] { (void)toInt32(c.value, "Punkt 1 x"); }, "Punkt 1 x");
    } else {
      EXPECT_EQ(toInt32(c.value, "Punkt 1 x"), c.result) << "value " << c.value;
    }
  }
}

TEST(ToInt, OverflowNamesTheValueFound) {
  try {
    (void)toInt16(40000.25, "H\u00f6he");
    FAIL() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_NE(failure.description().find("40000.25"), std::string::npos) << failure.description();
    EXPECT_EQ(failure.description().rfind("\u00dcberlauf: H\u00f6he", 0), 0U)
        << failure.description();
  }
}

TEST(TwipsToPixels, DividesByTheUnroundedFactorAndRoundsHalfToEven) {
  const struct {
    double twips;
    double twipsPerPixel;
    std::int32_t pixels;
  } cases[] = {
      {3000, 15, 200},           {2406, 12, 200},  // 200.5 -> 200
      {2418, 12, 202},           {1500, 7.5, 200}, {1714.2857, 1440.0 / 168, 200},
      {4812, 1440.0 / 216, 722},  // the dialog's width at 225 %
      {-300, 15, -20},           {5, 15, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(twipsToPixels(c.twips, c.twipsPerPixel, "w"), c.pixels)
        << c.twips << " at " << c.twipsPerPixel;
  }
  EXPECT_THROW(twipsToPixels(1, 0, "w"), Failure);
  EXPECT_THROW(twipsToPixels(1e30, 15, "w"), Failure);
}

TEST(Divide, ByZeroFailsNamingWhat) {
  for (const double zero : {0.0, -0.0}) {
    try {
      (void)divide(3000, zero, "Breite / Twips pro Pixel");
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), errors::kDivisionByZero);
      EXPECT_NE(failure.description().find("Breite / Twips pro Pixel"), std::string::npos)
          << failure.description();
      EXPECT_NE(failure.description().find("3000"), std::string::npos) << failure.description();
    }
  }
}

}  // namespace
}  // namespace zarn
