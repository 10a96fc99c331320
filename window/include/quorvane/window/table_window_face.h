#pragma once

#include "quorvane/window/control.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::window {

class ConversionJob;

// What the main window's behaviour asks of the window a toolkit shows. Every
// call carries out exactly what it says; none of them may come back into the
// behaviour through the toolkit's own change notifications. Texts are UTF-8.
class TableWindowFace {
public:
    virtual ~TableWindowFace() = default;

    // A text box: TxtDataCnt, TxtFeeld or TxtStyle.
    virtual void setText(Control box, const std::string& text) = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual void setShown(Control control, bool shown) = 0;
    virtual void setFocus(Control control) = 0;
    // UpDown1 or UpDown2: its value and range.
    virtual void setSpinner(Control spinner, int value, int minimum, int maximum) = 0;
    // The rows of LstStyle, all at once, and one row's text; the selection
    // stays where it is.
    virtual void setListRows(const std::vector<std::string>& rows) = 0;
    virtual void setListRow(int row, const std::string& text) = 0;
    // Selects a row of LstStyle; -1 selects none.
    virtual void selectListRow(int row) = 0;

    // The CSV file to convert, the file dialog starting from `last`; nothing
    // when the user cancels.
    virtual std::optional<std::filesystem::path>
    chooseCsvFile(const std::filesystem::path& last) = 0;
    // Starts `job` and returns once it has ended. The window stays painted
    // and takes no commands meanwhile; the user may cancel the job.
    virtual void waitFor(ConversionJob& job) = 0;
    // Puts a new table into the output box; on a failure the box keeps what
    // it showed.
    virtual void showTable(std::string&& text) = 0;
    // Puts exactly what the output box shows on the clipboard.
    virtual void copyTable() = 0;
    // The one message: something failed.
    virtual void reportFailure() = 0;
    // The About window, one at most, brought forward.
    virtual void showAbout() = 0;
    // Ends the program at once, every window with it.
    virtual void exitProgram() = 0;
};

} // namespace quorvane::window
