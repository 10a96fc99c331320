#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace quorvane::ui {

// 16-bit arithmetic of the window's counters: a result outside the 16-bit
// range, or a text that is no 16-bit whole number, throws instead of wrapping.
class Int16Error final : public std::runtime_error {
public:
    static constexpr int kOverflow = 6;
    static constexpr int kTypeMismatch = 13;

    Int16Error(int code, const char* what)
        : std::runtime_error(what)
        , m_code(code) {}

    int code() const { return m_code; }

private:
    int m_code;
};

// The value as a 16-bit integer, or an overflow error.
std::int16_t toInt16(int value);
std::int16_t checkedAdd(std::int16_t a, std::int16_t b);
std::int16_t checkedSub(std::int16_t a, std::int16_t b);

// The whole number a text holds, surrounding spaces allowed.
std::int16_t int16FromText(const QString& text);

// Decimal digits, a minus sign when negative, nothing else.
QString int16Text(std::int16_t value);

} // namespace quorvane::ui
