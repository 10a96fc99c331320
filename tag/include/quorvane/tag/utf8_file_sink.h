#pragma once

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_sink.h"

#include <memory>

// Streams the table text as UTF-8 to an output file in large writes.
// A lone surrogate becomes U+FFFD. Fails with ErrorCode::WriteFailed.
namespace quorvane::tag {

class Utf8FileSink final : public TagSink {
public:
    explicit Utf8FileSink(OutputFile& file);

    void Append(std::u16string_view text) override;
    void AppendAscii(std::string_view text) override;
    void AppendUtf8(std::string_view text) override;
    bool TakesUtf8() const override { return true; }
    // Writes out what is buffered; call once at the end.
    void Flush();

private:
    void CopyBytes(std::string_view text);
    const char16_t* Encode(const char16_t* p, const char16_t* end);
    void PutUnit(char16_t c);
    void Put(char32_t c);
    void Drain();

    OutputFile& m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    char16_t m_highSurrogate = 0;
};

} // namespace quorvane::tag
