#pragma once

#include <stdexcept>
#include <string>

// A command line that cannot be run: exit status 2, nothing written.
namespace quorvane::cli {

class UsageError final : public std::runtime_error {
public:
    explicit UsageError(const std::string& what)
        : std::runtime_error(Printable(what)) {}

    // `text` with control characters written as \xNN, so that a message that
    // quotes what the user typed stays on one line.
    static std::string Printable(const std::string& text) {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string out;
        for (const char c : text) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x20 || b == 0x7F) {
                out += {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
            } else {
                out += c;
            }
        }
        return out;
    }
};

} // namespace quorvane::cli
