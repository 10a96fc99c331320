#include "checked_int16.h"

#include <algorithm>
#include <limits>

namespace quorvane::ui {

std::int16_t toInt16(int value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw Int16Error(Int16Error::kOverflow, "16-bit overflow");
    }
    return static_cast<std::int16_t>(value);
}

std::int16_t checkedAdd(std::int16_t a, std::int16_t b) {
    return toInt16(int{a} + int{b});
}

std::int16_t checkedSub(std::int16_t a, std::int16_t b) {
    return toInt16(int{a} - int{b});
}

std::int16_t int16FromText(const QString& text) {
    const QString trimmed = text.trimmed();
    const bool negative = trimmed.startsWith(u'-');
    const QStringView digits = QStringView(trimmed).sliced(negative || trimmed.startsWith(u'+'));
    if (digits.isEmpty()) {
        throw Int16Error(Int16Error::kTypeMismatch, "not a whole number");
    }
    int magnitude = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            throw Int16Error(Int16Error::kTypeMismatch, "not a whole number");
        }
        // Stop before the int itself could overflow on a long run of digits.
        magnitude = std::min(magnitude * 10 + (c.unicode() - u'0'), 1 << 16);
    }
    return toInt16(negative ? -magnitude : magnitude);
}

QString int16Text(std::int16_t value) {
    return QString::number(value);
}

} // namespace quorvane::ui
