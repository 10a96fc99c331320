#pragma once

#include "quorvane/tag/error_code.h"

#include <stdexcept>
#include <string>

// The one exception of the conversion core: a code and a short English cause.
namespace quorvane::tag {

class TagError final : public std::runtime_error {
public:
    TagError(ErrorCode code, const std::string& what)
        : std::runtime_error(what)
        , m_code(code) {}

    ErrorCode code() const noexcept { return m_code; }

private:
    ErrorCode m_code;
};

} // namespace quorvane::tag
