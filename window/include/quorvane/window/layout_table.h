#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <stdexcept>

namespace quorvane::window {

// The entry of `control` in a window's table of control layouts.
template <typename Layout, std::size_t N, typename Control>
constexpr const Layout& entryOf(const Layout (&table)[N], Control control) {
    const auto* found = std::ranges::find(table, control, &Layout::control);
    if (found == std::end(table)) {
        throw std::invalid_argument("no such control");
    }
    return *found;
}

// The controls of `kTable` that take the keyboard focus, as `takesFocus`
// tells of an entry, in the order of their tab places.
template <const auto& kTable, auto takesFocus> constexpr auto tabOrderOf() {
    constexpr auto count = std::ranges::count_if(kTable, takesFocus);
    auto sorted = std::to_array(kTable);
    std::ranges::sort(sorted, {}, [](const auto& c) { return c.tab; });
    std::array<decltype(kTable[0].control), count> order{};
    std::size_t next = 0;
    for (const auto& c : sorted) {
        if (std::invoke(takesFocus, c)) {
            order[next++] = c.control;
        }
    }
    return order;
}

} // namespace quorvane::window
