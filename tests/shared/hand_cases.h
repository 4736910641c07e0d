#pragma once

// Worked examples of the hand drawing: a clock of W x H pixels at a time of day and the
// vertices its three hands have. The clock's unit tests hold its drawing to them, and the
// end-to-end driver's own account of the hands is held to the same table, so the driver
// expects on the screen exactly what the clock must draw. This header depends on nothing,
// so that both builds can include it.

#include <array>

namespace zarn::hand_cases {

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int width = 0;
  int height = 0;
};

struct Time {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct HandsCase {
  Size size;
  Time time;
  std::array<Point, 4> hourHand;    // centre, shoulder, tip, shoulder
  std::array<Point, 4> minuteHand;  // centre, shoulder, tip, shoulder
  Point secondTip;                  // drawn as (tip, centre, centre)
};

inline constexpr HandsCase kHandsCases[] = {
    {{200, 200},
     {12, 0, 0},
     {{{100, 100}, {98, 84}, {100, 41}, {102, 84}}},
     {{{100, 100}, {99, 83}, {100, 23}, {101, 83}}},
     {100, 20}},
    {{200, 200},
     {3, 0, 15},
     {{{100, 100}, {116, 98}, {159, 100}, {116, 102}}},
     {{{100, 100}, {99, 83}, {100, 23}, {101, 83}}},
     {180, 100}},
    {{200, 200},
     {10, 10, 30},
     {{{100, 100}, {85, 92}, {52, 65}, {88, 88}}},
     {{{100, 100}, {114, 90}, {167, 62}, {115, 93}}},
     {100, 180}},
    // 100.5 rounds to the even 100.
    {{201, 150},
     {5, 18, 45},
     {{{100, 75}, {110, 86}, {125, 115}, {105, 87}}},
     {{{100, 75}, {117, 78}, {174, 93}, {116, 80}}},
     {20, 75}},
    // Hour position 60 points straight up like 0.
    {{202, 200},
     {11, 54, 0},
     {{{101, 100}, {98, 84}, {101, 41}, {104, 84}}},
     {{{101, 100}, {90, 87}, {55, 38}, {92, 86}}},
     {101, 20}},
    // 195 = 13 x 15, so the minute tip's y is the exact half 97.5 - 75 in double precision,
    // which goes to the even 22; arithmetic carried in a wider register gives 23.
    {{200, 195},
     {10, 0, 0},
     {{{100, 98}, {84, 92}, {49, 69}, {87, 87}}},
     {{{100, 98}, {99, 81}, {100, 22}, {101, 81}}},
     {100, 20}},
    // The same half at :30: 97.5 + 75 goes to 172.
    {{200, 195},
     {3, 30, 45},
     {{{100, 98}, {116, 100}, {156, 115}, {115, 105}}},
     {{{100, 98}, {101, 114}, {100, 172}, {99, 114}}},
     {20, 98}},
    // The circle is the literal 6.283185307: the second tip's x is 129.4999999990 and goes
    // to 129, where the exact 2 pi gives 129.5 and so 130.
    {{185, 185},
     {2, 20, 5},
     {{{92, 92}, {106, 86}, {144, 76}, {108, 90}}},
     {{{92, 92}, {106, 99}, {154, 128}, {105, 101}}},
     {129, 28}},
};

}  // namespace zarn::hand_cases
