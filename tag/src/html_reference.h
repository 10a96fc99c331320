#pragma once

#include <string_view>

namespace quorvane::tag {

// The character reference that stands for `c` in escaped text: & < > " ',
// which HTML reads as markup inside an element or an attribute; nothing for
// any other byte.
inline std::string_view HtmlReference(char c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        return {};
    }
}

} // namespace quorvane::tag
