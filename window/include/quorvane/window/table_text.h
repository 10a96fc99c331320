#pragma once

#include "quorvane/tag/spool_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane::window {

// A table's text, held in memory or in a spool file mapped for reading. Its
// bytes stay where they are through moves, so indexes may view them.
class TableText final {
public:
    TableText();
    explicit TableText(std::string text);
    // The file's written bytes, mapped here.
    explicit TableText(tag::SpoolFile file);

    std::string_view view() const { return m_view; }

private:
    std::unique_ptr<const std::string> m_memory;
    std::optional<tag::SpoolFile> m_file;
    std::string_view m_view;
};

} // namespace quorvane::window
