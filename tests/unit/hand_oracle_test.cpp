// The end-to-end driver's own account of the hands, held to the same worked examples as the
// clock's drawing, and its plane geometry to hand-checked values: every clock scenario
// under Wine relies on them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/hands.h"
#include "tests/shared/hand_cases.h"

namespace zarn::e2e {
namespace {

std::string text(Vertex v) { return "(" + std::to_string(v.x) + "," + std::to_string(v.y) + ")"; }

std::string text(const std::array<Vertex, 4>& shape) {
  std::string joined;
  for (const Vertex v : shape) joined += text(v);
  return joined;
}

std::string text(const std::array<hand_cases::Point, 4>& shape) {
  std::string joined;
  for (const auto& p : shape) joined += text(Vertex{p.x, p.y});
  return joined;
}

TEST(HandOracle, GivesTheWorkedExamples) {
  for (const auto& c : hand_cases::kHandsCases) {
    const HandShapes got =
        handShapes(c.size.width, c.size.height, {c.time.hour, c.time.minute, c.time.second});
    const std::string at = std::to_string(c.size.width) + "x" + std::to_string(c.size.height) +
                           " at " + std::to_string(c.time.hour) + ":" +
                           std::to_string(c.time.minute) + ":" + std::to_string(c.time.second);
    EXPECT_EQ(text(got.hour), text(c.hourHand)) << at;
    EXPECT_EQ(text(got.minute), text(c.minuteHand)) << at;
    EXPECT_EQ(text(got.secondTip), text(Vertex{c.secondTip.x, c.secondTip.y})) << at;
    EXPECT_EQ(text(got.centre), text(got.hour[0])) << at;
  }
}

TEST(HandOracle, HourPositionsAndRoundingGoToTheEvenNeighbour) {
  struct Position {
    int hour, minute, expected;
  };
  const Position positions[] = {{5, 6, 26},  {5, 18, 26},  {5, 30, 28},  {5, 42, 28},
                                {5, 54, 30}, {11, 54, 60}, {23, 59, 60}, {0, 0, 0},
                                {12, 0, 0},  {3, 0, 15},   {10, 10, 51}};
  for (const auto& p : positions) {
    EXPECT_EQ(hourPosition(p.hour, p.minute), p.expected) << p.hour << ":" << p.minute;
  }
  struct Rounding {
    double value;
    int expected;
  };
  const Rounding roundings[] = {{2.5, 2},   {3.5, 4},     {100.5, 100}, {26.5, 26},
                                {-2.5, -2}, {200.5, 200}, {201.5, 202}, {0.49, 0}};
  for (const auto& r : roundings) EXPECT_EQ(roundHalfEven(r.value), r.expected) << r.value;
}

TEST(HandOracle, PixelSizeDividesByTheUnroundedFactor) {
  struct Size {
    double twips, twipsPerPixel;
    int expected;
  };
  const Size sizes[] = {{3000, 15, 200},  {2925, 15, 195},  {2406, 12, 200}, {2418, 12, 202},
                        {1500, 7.5, 200}, {172.5, 7.5, 23}, {20, 7.5, 3},    {20, 15, 1}};
  for (const auto& s : sizes) {
    EXPECT_EQ(pixelSize(s.twips, s.twipsPerPixel), s.expected)
        << s.twips << " at " << s.twipsPerPixel;
  }
}

TEST(HandOracle, BeyondTheTipIsOneStepFurtherOutAlongTheMainDirection) {
  struct Beyond {
    Vertex tip, expected;
  };
  const Vertex centre{100, 98};
  const Beyond cases[] = {{{100, 22}, {100, 21}},
                          {{180, 98}, {181, 98}},
                          {{52, 65}, {51, 65}},
                          {{100, 172}, {100, 173}},
                          {{129, 28}, {129, 27}}};
  for (const auto& c : cases) EXPECT_EQ(text(beyondTip(centre, c.tip)), text(c.expected));
}

TEST(HandOracle, PlaneGeometry) {
  const std::vector<Vertex> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Margin {
    double x, y, expected;
  };
  const Margin margins[] = {{5, 5, 5}, {1, 5, 1}, {12, 5, -2}, {5, -3, -3}, {13, 14, -5}};
  for (const auto& m : margins) {
    EXPECT_DOUBLE_EQ(polygonMargin(m.x, m.y, square), m.expected) << m.x << "," << m.y;
  }
  EXPECT_DOUBLE_EQ(distanceToSegment(3, 4, {0, 0}, {0, 0}), 5.0);
  EXPECT_DOUBLE_EQ(distanceToSegment(5, 2, {0, 0}, {10, 0}), 2.0);
}

TEST(HandOracle, AScreenReadJustAfterMidnightMayShowTheDayBefore) {
  std::vector<std::string> shown;
  for (const ClockTime t : shownTimes(0.5, 0.7)) {
    shown.push_back(std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
                    std::to_string(t.second));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"23:59:58", "23:59:59", "0:0:0"}));
}

}  // namespace
}  // namespace zarn::e2e
