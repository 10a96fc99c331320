#include "quorvane/tag/table_output.h"

#include "cp932_sink.h"
#include "document_sink.h"

namespace quorvane::tag {

TableOutput::TableOutput(const OutputOptions& options, std::string_view title, TagSink& bytes)
    : m_front(&bytes) {
    if (options.encoding == OutputEncoding::Cp932) {
        m_cp932 = std::make_unique<Cp932Sink>(*m_front);
        m_front = m_cp932.get();
    }
    if (options.document) {
        m_document = std::make_unique<DocumentSink>(title, options.encoding, *m_front);
        m_front = m_document.get();
    }
}

TableOutput::~TableOutput() = default;

void TableOutput::Finish() {
    if (m_document) {
        m_document->Finish();
    }
    if (m_cp932) {
        m_cp932->Finish();
    }
}

} // namespace quorvane::tag
