#include "document_sink.h"

#include "html_reference.h"
#include "text_decoder.h"
#include "utf8_encode.h"

namespace quorvane::tag {
namespace {

constexpr std::string_view kStyle = "<style>\r\n"
                                    "table { border-collapse: collapse; }\r\n"
                                    "th, td { border: 1px solid; padding: 0.2em 0.5em; }\r\n"
                                    "</style>\r\n";
constexpr std::string_view kEnd = "\r\n</body>\r\n</html>\r\n";

// The characters the HTML parser reports as errors wherever they stand.
bool IsParseError(char32_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool noncharacter = (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
    return control || noncharacter;
}

} // namespace

DocumentSink::DocumentSink(std::string_view title, OutputEncoding encoding, TagSink& out)
    : m_out(out) {
    const char* charset = encoding == OutputEncoding::Cp932 ? "Shift_JIS" : "utf-8";
    m_head = std::string("<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n<meta charset=\"") +
             charset + "\">\r\n<title>" + ElementText(title) + "</title>\r\n" +
             std::string(kStyle) + "</head>\r\n<body>\r\n";
}

void DocumentSink::Append(std::string_view utf8) {
    Begin();
    m_out.Append(utf8);
}

void DocumentSink::Finish() {
    Begin();
    m_out.Append(kEnd);
}

void DocumentSink::Begin() {
    if (!m_head.empty()) {
        m_out.Append(m_head);
        m_head.clear();
        m_head.shrink_to_fit();
    }
}

std::string DocumentSink::ElementText(std::string_view utf8) {
    const std::string valid = TextDecoder::ValidUtf8(utf8);
    const auto* text = reinterpret_cast<const unsigned char*>(valid.data());
    std::string out;
    for (std::size_t i = 0, length = 0; i < valid.size(); i += length) {
        const char32_t c = DecodeUtf8(text + i, length);
        const std::string_view reference = c < 0x80 ? HtmlReference(static_cast<char>(c)) : "";
        if (c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            out += ' ';
        } else if (IsParseError(c)) {
            out += "\uFFFD";
        } else if (!reference.empty()) {
            out += reference;
        } else {
            out.append(valid, i, length);
        }
    }
    return out;
}

} // namespace quorvane::tag
