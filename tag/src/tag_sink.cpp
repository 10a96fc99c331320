#include "quorvane/tag/tag_sink.h"

#include "ascii_run.h"
#include "text_decoder.h"

#include <algorithm>

namespace quorvane::tag {
namespace {

constexpr std::size_t kChunk = 512;

} // namespace

void TagSink::AppendAscii(std::string_view text) {
    char16_t wide[kChunk];
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t done = 0; done < text.size();) {
        const std::size_t n = std::min(kChunk, text.size() - done);
        WidenBytes(bytes + done, n, wide);
        Append({wide, n});
        done += n;
    }
}

void TagSink::AppendUtf8(std::string_view text) {
    const TextDecoder decoder(Encoding::Utf8);
    char16_t wide[kChunk];
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t done = 0; done < text.size();) {
        const std::size_t n = std::min(kChunk, text.size() - done);
        std::size_t produced = 0;
        done += decoder.Decode(bytes + done, n, done + n == text.size(), wide, produced);
        Append({wide, produced});
    }
}

} // namespace quorvane::tag
