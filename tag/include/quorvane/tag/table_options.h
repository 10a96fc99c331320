#pragma once

#include "quorvane/tag/build_options.h"
#include "quorvane/tag/output_options.h"
#include "quorvane/tag/read_options.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::tag {

// Everything about a table besides its columns, shared by the command line
// and the window: how the file is read, what the builder does with the
// fields, how the text is written out. The defaults make the plain table.
struct TableOptions final {
    ReadOptions read{};
    // The first table row's cells are <th> cells.
    bool headerRow = false;
    // & < > " ' in field text become character references.
    bool escape = false;
    // UTF-8 text inside the opening tag, "<table TEXT>"; empty: "<table>".
    std::string tableAttribute{};
    OutputOptions output{};

    // The builder's options for these column settings.
    BuildOptions Build(std::int16_t fieldCount, std::vector<std::string> styleRows) const {
        return {fieldCount, std::move(styleRows), headerRow, escape, tableAttribute};
    }
};

} // namespace quorvane::tag
