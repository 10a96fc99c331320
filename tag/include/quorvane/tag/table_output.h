#pragma once

#include "quorvane/tag/output_options.h"
#include "quorvane/tag/tag_sink.h"

#include <memory>
#include <string_view>

namespace quorvane::tag {

class Cp932Sink;
class DocumentSink;

// The table text on its way out, as it comes: inside an HTML document titled
// `title` when the options ask for one, then in the output encoding, to
// `bytes` (which receives bytes of that encoding, not necessarily UTF-8).
// With the defaults the text passes through unchanged. Finish ends the
// document and a character cut off at the end; what came before a failure
// has reached `bytes` already.
class TableOutput final : public TagSink {
public:
    TableOutput(const OutputOptions& options, std::string_view title, TagSink& bytes);
    TableOutput(const TableOutput&) = delete;
    TableOutput& operator=(const TableOutput&) = delete;
    ~TableOutput() override;

    void Append(std::string_view utf8) override { m_front->Append(utf8); }
    // A whole block goes on as it is where nothing is changed on the way.
    void AppendBlock(Block& block, std::size_t size, std::size_t capacity) override {
        m_front->AppendBlock(block, size, capacity);
    }
    void Finish();

private:
    std::unique_ptr<Cp932Sink> m_cp932;
    std::unique_ptr<DocumentSink> m_document;
    TagSink* m_front;
};

} // namespace quorvane::tag
