// The output box's line index made while a text is written, over arbitrary
// bytes: however the text is cut into appends, the index equals the one a
// walk over the finished text makes.
//
// Byte 0 seeds the cuts; the rest is the text.
#include "quorvane/window/line_index.h"
#include "quorvane/window/line_index_builder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

namespace quorvane::fuzz {

// Where the index made while writing breaks the property; "" when nowhere.
std::string IndexDisagreement(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return "";
    }
    const window::AdvanceBounds bounds{{64, 70, 128, 500}};
    const std::string whole(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::mt19937 random(data[0]);
    std::string text;
    window::LineIndexBuilder builder(bounds);
    for (std::size_t at = 0; at < whole.size();) {
        const std::size_t piece = 1 + random() % (random() % 4 == 0 ? 64 : 5);
        text += whole.substr(at, piece);
        at += piece;
        builder.grow(text);
    }
    const window::LineIndex grown = builder.finish(text);
    window::LineIndex walked;
    walked.build(text, bounds);
    if (grown == walked) {
        return "";
    }
    return "cuts seeded " + std::to_string(data[0]) + ": " + std::to_string(grown.lineCount()) +
           " lines, widest " + std::to_string(grown.widestBound()) + " instead of " +
           std::to_string(walked.lineCount()) + ", " + std::to_string(walked.widestBound());
}

} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = quorvane::fuzz::IndexDisagreement(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
