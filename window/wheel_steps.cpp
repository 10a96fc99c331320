#include "quorvane/window/wheel_steps.h"

namespace quorvane::window {

std::int64_t WheelSteps::add(int delta, std::uint32_t stepsPerNotch) {
    const std::int64_t scaled = std::int64_t{delta} * stepsPerNotch;
    if (stepsPerNotch != m_stepsPerNotch || (scaled < 0) != (m_rest < 0)) {
        m_rest = 0;
        m_stepsPerNotch = stepsPerNotch;
    }
    m_rest += scaled;
    const std::int64_t steps = m_rest / kNotch;
    m_rest -= steps * kNotch;
    return steps;
}

} // namespace quorvane::window
