#pragma once

#include "quorvane/window/main_layout.h"
#include "quorvane/window/settings.h"

#include <string>

namespace quorvane::window {

class TableWindowFace;

// The options menu: the table options the next conversion uses, the encoding
// a saved table is written in, and the folder of the last CSV file chosen;
// remembered between runs. Each change is written at once, and only the keys
// it changed, so that two copies of the program running at once lose no more
// than each other's change of the same key. The check marks follow.
class OptionsMenu final {
public:
    explicit OptionsMenu(TableWindowFace& face)
        : m_face(face) {}

    // Takes the remembered settings; whatever they hold, the program starts.
    void load();
    // Carries out one of its items; false for an item that is not its own.
    bool click(MenuItem item);
    void setTableAttribute(const std::string& utf8);
    void setLastFolder(const std::string& utf8);

    const tag::TableOptions& options() const { return m_settings.options; }
    const std::string& lastFolder() const { return m_settings.lastFolder; }

private:
    void change(const Settings& changed);
    void showChecks();

    TableWindowFace& m_face;
    Settings m_settings;
};

} // namespace quorvane::window
