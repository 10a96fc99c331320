#include "quorvane/tag/checked16.h"

#include "quorvane/tag/tag_error.h"

namespace quorvane::tag {

void ThrowOverflow16() {
    throw TagError(ErrorCode::Overflow, "16-bit counter overflow");
}

} // namespace quorvane::tag
