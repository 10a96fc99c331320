#pragma once

// Failure codes carried by TagError. Only Build takes InputPastEnd; every
// other code goes up to the caller.
namespace quorvane::tag {

enum class ErrorCode : int {
    InvalidArgument = 5,
    Overflow = 6,
    OutOfMemory = 7,
    OpenFailed = 53,
    ReadFailed = 57,
    InputPastEnd = 62,
    WriteFailed = 75,
};

} // namespace quorvane::tag
