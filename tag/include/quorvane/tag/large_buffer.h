#pragma once

#include <cstddef>

namespace quorvane::tag {

// Asks the system to back a large buffer about to be written through with
// large pages where it can: the window's table text and line index run to
// hundreds of megabytes, and a fault for every 4 KiB page of them costs more
// than the conversion. Only advice: nothing changes where the system takes
// none.
void AdviseLargeBuffer(void* data, std::size_t bytes) noexcept;

} // namespace quorvane::tag
