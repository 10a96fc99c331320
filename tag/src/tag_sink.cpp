#include "quorvane/tag/tag_sink.h"

#include "ascii_run.h"

#include <algorithm>

namespace quorvane::tag {

void TagSink::AppendAscii(std::string_view text) {
    constexpr std::size_t kChunk = 512;
    char16_t wide[kChunk];
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t done = 0; done < text.size();) {
        const std::size_t n = std::min(kChunk, text.size() - done);
        WidenBytes(bytes + done, n, wide);
        Append({wide, n});
        done += n;
    }
}

} // namespace quorvane::tag
