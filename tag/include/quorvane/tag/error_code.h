#pragma once

// Failure codes carried by TagError, all of them passed up to the caller of
// Convert. The data running out inside a table row is no failure: the builder
// fills up the row.
namespace quorvane::tag {

enum class ErrorCode : int {
    InvalidArgument = 5,
    OutOfMemory = 7,
    OpenFailed = 53,
    ReadFailed = 57,
    WriteFailed = 75,
};

} // namespace quorvane::tag
