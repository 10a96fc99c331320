#include "quorvane/window/wheel_steps.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvane::window {
namespace {

struct Wheel {
    int delta;
    std::uint32_t perNotch;
    std::int64_t steps; // what this delta scrolls
};

struct WheelRun {
    const char* what;
    std::vector<Wheel> wheels;
};

// clang-format off
const WheelRun kRuns[] = {
    {"whole notches", {{120, 3, 3}, {-240, 3, -6}, {360, 1, 3}}},
    {"a notch in quarters", {{30, 3, 0}, {30, 3, 1}, {30, 3, 1}, {30, 3, 1}, {30, 3, 0}}},
    {"a page a notch in halves", {{-60, 1, 0}, {-60, 1, -1}, {-60, 1, 0}}},
    {"a notch and a half, then half", {{180, 1, 1}, {60, 1, 1}}},
    {"more steps than delta", {{1, 240, 2}, {-1, 240, -2}}},
    {"the other way drops the part", {{100, 1, 0}, {-100, 1, 0}, {-20, 1, -1}}},
    {"a new setting drops the part", {{100, 1, 0}, {20, 2, 0}, {40, 2, 1}}},
    {"no steps a notch", {{120, 0, 0}, {-120, 0, 0}}},
    {"the largest delta", {{32767, 100, 27305}, {-32768, 100, -27306}}},
};
// clang-format on

TEST(WheelSteps, AddsUpPartsOfNotches) {
    for (const WheelRun& run : kRuns) {
        WheelSteps wheel;
        std::vector<std::int64_t> steps;
        std::vector<std::int64_t> want;
        for (const Wheel& turn : run.wheels) {
            steps.push_back(wheel.add(turn.delta, turn.perNotch));
            want.push_back(turn.steps);
        }
        EXPECT_EQ(steps, want) << run.what;
    }
}

} // namespace
} // namespace quorvane::window
