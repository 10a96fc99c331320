#pragma once

#include "quorvane/tag/encoding.h"

namespace quorvane::tag {

// How the input is read into fields.
struct ReadOptions final {
    Encoding encoding = Encoding::Auto;
    // Ends a field besides a line end: ',', '\t', ';' or '|'; anything else
    // is InvalidArgument.
    char delimiter = ',';
    // The input is read and decoded on a thread of its own, a buffer ahead
    // of the reader. Only for input whose reads never wait (a regular file):
    // a conversion that ends early waits for the read in progress.
    bool readAhead = false;
};

} // namespace quorvane::tag
