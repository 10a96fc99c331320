#pragma once

#include "quorvane/tag/output_options.h"
#include "quorvane/tag/tag_sink.h"

#include <string>
#include <string_view>

namespace quorvane::tag {

// Puts the table text inside a complete HTML document for `out`: the
// doctype, the character set of `encoding` declared, `title` (escaped) as
// the title and a small stylesheet that draws the cell borders before the
// first piece (or at Finish when there is none); the table as it comes; the
// closing tags at Finish.
class DocumentSink final : public TagSink {
public:
    DocumentSink(std::string_view title, OutputEncoding encoding, TagSink& out);

    void Append(std::string_view utf8) override;
    void Finish();

    // Text as the content of an HTML element: & < > " ' as references;
    // ill-formed UTF-8, control characters and noncharacters, which make an
    // HTML parse error, as U+FFFD; line ends and tabs as spaces.
    static std::string ElementText(std::string_view utf8);

private:
    void Begin();

    TagSink& m_out;
    std::string m_head;
};

} // namespace quorvane::tag
