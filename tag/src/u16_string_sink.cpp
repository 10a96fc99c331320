#include "quorvane/tag/u16_string_sink.h"

#include "ascii_run.h"

namespace quorvane::tag {

void U16StringSink::AppendAscii(std::string_view text) {
    const std::size_t old = m_text.size();
    m_text.resize(old + text.size());
    WidenBytes(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
               m_text.data() + old);
}

} // namespace quorvane::tag
