// The driver computes the hands it expects on the screen itself. Before any clock scenario
// relies on that, this scenario holds the computation to the worked examples of the hand
// drawing, and the plane geometry to hand-checked values.

#include <string>
#include <vector>

#include "hands.h"
#include "scenarios.h"

namespace zarn::e2e {

namespace {

std::string describeShape(std::span<const Vertex> shape) {
  std::string text;
  for (const Vertex& v : shape) text += printed("(%d,%d)", v.x, v.y);
  return text;
}

std::string describeTime(ClockTime t) { return printed("%d:%d:%d", t.hour, t.minute, t.second); }

}  // namespace

std::string handGeometry(const Context&) {
  struct Example {
    int width, height;
    ClockTime time;
    std::array<Vertex, 4> hour;
    std::array<Vertex, 4> minute;
    Vertex secondTip;
  };
  const Example examples[] = {
      {200,
       200,
       {12, 0, 0},
       {{{100, 100}, {98, 84}, {100, 41}, {102, 84}}},
       {{{100, 100}, {99, 83}, {100, 23}, {101, 83}}},
       {100, 20}},
      {200,
       200,
       {3, 0, 15},
       {{{100, 100}, {116, 98}, {159, 100}, {116, 102}}},
       {{{100, 100}, {99, 83}, {100, 23}, {101, 83}}},
       {180, 100}},
      {200,
       200,
       {10, 10, 30},
       {{{100, 100}, {85, 92}, {52, 65}, {88, 88}}},
       {{{100, 100}, {114, 90}, {167, 62}, {115, 93}}},
       {100, 180}},
      {201,
       150,
       {5, 18, 45},
       {{{100, 75}, {110, 86}, {125, 115}, {105, 87}}},
       {{{100, 75}, {117, 78}, {174, 93}, {116, 80}}},
       {20, 75}},
      {202,
       200,
       {11, 54, 0},
       {{{101, 100}, {98, 84}, {101, 41}, {104, 84}}},
       {{{101, 100}, {90, 87}, {55, 38}, {92, 86}}},
       {101, 20}},
  };
  for (const auto& e : examples) {
    const HandShapes got = handShapes(e.width, e.height, e.time);
    const std::string at = printed("%dx%d at ", e.width, e.height) + describeTime(e.time);
    expectEqual(describeShape(got.hour), describeShape(e.hour), "hour hand, " + at);
    expectEqual(describeShape(got.minute), describeShape(e.minute), "minute hand, " + at);
    expectEqual(describeShape(std::array{got.secondTip}), describeShape(std::array{e.secondTip}),
                "second hand tip, " + at);
    expectEqual(describeShape(std::array{got.centre}), describeShape(std::array{e.hour[0]}),
                "centre, " + at);
  }

  struct Position {
    int hour, minute, expected;
  };
  const Position positions[] = {{5, 6, 26},  {5, 18, 26},  {5, 30, 28},  {5, 42, 28},
                                {5, 54, 30}, {11, 54, 60}, {23, 59, 60}, {0, 0, 0},
                                {12, 0, 0},  {3, 0, 15},   {10, 10, 51}};
  for (const auto& p : positions) {
    expectEqual(hourPosition(p.hour, p.minute), p.expected,
                "hour position at " + describeTime({p.hour, p.minute, 0}));
  }

  struct Rounding {
    double value;
    int expected;
  };
  const Rounding roundings[] = {{2.5, 2},   {3.5, 4},     {100.5, 100}, {26.5, 26},
                                {-2.5, -2}, {200.5, 200}, {201.5, 202}, {0.49, 0}};
  for (const auto& r : roundings) {
    expectEqual(roundHalfEven(r.value), r.expected, printed("rounding %g", r.value));
  }

  const std::vector<Vertex> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Margin {
    double x, y, expected;
  };
  const Margin margins[] = {{5, 5, 5}, {1, 5, 1}, {12, 5, -2}, {5, -3, -3}, {13, 14, -5}};
  for (const auto& m : margins) {
    expectEqual(std::to_string(polygonMargin(m.x, m.y, square)), std::to_string(m.expected),
                printed("margin of (%g,%g) in the square", m.x, m.y));
  }
  expectEqual(std::to_string(distanceToSegment(3, 4, {0, 0}, {0, 0})), std::to_string(5.0),
              "distance to a point-like segment");
  expectEqual(std::to_string(distanceToSegment(5, 2, {0, 0}, {10, 0})), std::to_string(2.0),
              "distance to the middle of a segment");

  // A screen read just after midnight may show the last seconds of the day before.
  std::string shown;
  for (const ClockTime t : shownTimes(0.5, 0.7)) shown += describeTime(t) + " ";
  expectEqual(shown, std::string("23:59:58 23:59:59 0:0:0 "), "times shown after midnight");

  return printed("%zu worked examples, %zu hour positions", std::size(examples),
                 std::size(positions));
}

}  // namespace zarn::e2e
