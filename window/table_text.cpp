#include "quorvane/window/table_text.h"

namespace quorvane::window {

TableText::TableText()
    : TableText(std::string()) {}

TableText::TableText(std::string text)
    : m_memory(std::make_unique<const std::string>(std::move(text)))
    , m_view(*m_memory) {}

TableText::TableText(tag::SpoolFile file)
    : m_file(std::move(file))
    , m_view(m_file->Map()) {}

} // namespace quorvane::window
