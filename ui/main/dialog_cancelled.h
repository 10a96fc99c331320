#pragma once

#include <exception>

namespace quorvane::ui {

// Raised by the file dialog when the user cancels it and the dialog was told
// to report a cancel as an error.
class DialogCancelled final : public std::exception {
public:
    static constexpr int kCode = 32755;

    int code() const noexcept { return kCode; }
    const char* what() const noexcept override { return "the file dialog was cancelled"; }
};

} // namespace quorvane::ui
