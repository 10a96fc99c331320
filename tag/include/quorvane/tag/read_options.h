#pragma once

#include "quorvane/tag/encoding.h"

namespace quorvane::tag {

// How the input is read into fields.
struct ReadOptions final {
    Encoding encoding = Encoding::Auto;
    // Ends a field besides a line end: ',', '\t', ';' or '|'; anything else
    // is InvalidArgument.
    char delimiter = ',';
};

} // namespace quorvane::tag
