// The output box's line index and UTF-16 block counts made while a text is
// written, over arbitrary bytes: however the text is cut into appends, they
// equal what a walk over the finished text makes.
//
// Byte 0 seeds the cuts; the rest is the text, repeated to at least `length`
// bytes when a length is given, so that pieces and blocks of every size meet.
#include "quorvane/window/line_index.h"
#include "quorvane/window/line_index_builder.h"
#include "quorvane/window/utf8.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::fuzz {

namespace {

// UTF-16 units before each 64 KiB block, counted block by block.
std::vector<std::uint64_t> walkedBlocks(std::string_view text) {
    constexpr std::size_t kBlock = 1 << 16;
    std::vector<std::uint64_t> blocks{0};
    for (std::size_t at = 0; at + kBlock <= text.size(); at += kBlock) {
        blocks.push_back(blocks.back() + window::utf8::utf16Units(text.substr(at, kBlock)));
    }
    return blocks;
}

} // namespace

// Where what was made while writing breaks the property; "" when nowhere.
std::string IndexDisagreement(const std::uint8_t* data, std::size_t size, std::size_t length) {
    if (size == 0) {
        return "";
    }
    const window::AdvanceBounds bounds{{64, 70, 128, 500}};
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    while (!text.empty() && text.size() < length) {
        text += text;
    }
    std::mt19937 random(data[0]);
    // Mostly short pieces, some of a converter's block size.
    auto pieceSize = [&]() -> std::size_t {
        const unsigned kind = random() % 8;
        return 1 + random() % (kind < 5 ? 5 : kind < 7 ? 64 : 300000);
    };
    window::LineIndexBuilder builder(bounds);
    for (std::size_t at = 0; at < text.size();) {
        const std::string piece = text.substr(at, pieceSize());
        builder.append(piece);
        at += piece.size();
    }
    const window::LineIndex grown = builder.finish(text);
    window::LineIndex walked;
    walked.build(text, bounds);
    const std::string cuts = "cuts seeded " + std::to_string(data[0]) + ": ";
    if (builder.takeUtf16Blocks() != walkedBlocks(text)) {
        return cuts + "UTF-16 block counts differ";
    }
    if (grown == walked) {
        return "";
    }
    return cuts + std::to_string(grown.lineCount()) + " lines, widest " +
           std::to_string(grown.widestBound()) + " instead of " +
           std::to_string(walked.lineCount()) + ", " + std::to_string(walked.widestBound());
}

} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = quorvane::fuzz::IndexDisagreement(data, size, 0);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
