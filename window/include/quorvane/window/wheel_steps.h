#pragma once

#include <cstdint>

namespace quorvane::window {

// Turns a run of wheel deltas into whole steps to scroll (lines, pages or
// characters), a notch being kNotch and making the steps the system sets.
// What a delta makes of a step and less is kept for the next one, so that
// the small deltas of a precision touch pad or a free-spinning wheel add up
// to what whole notches make. A turn the other way, or a new number of steps
// a notch, starts afresh.
class WheelSteps final {
public:
    static constexpr int kNotch = 120;

    // The whole steps `delta` makes now, with the same sign: positive away
    // from the user or to the right.
    std::int64_t add(int delta, std::uint32_t stepsPerNotch);

private:
    // Deltas times steps a notch, not yet given as steps.
    std::int64_t m_rest = 0;
    std::uint32_t m_stepsPerNotch = 0;
};

} // namespace quorvane::window
