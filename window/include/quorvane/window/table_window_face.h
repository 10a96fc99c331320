#pragma once

#include "quorvane/window/control.h"
#include "quorvane/window/indexed_text.h"
#include "quorvane/window/main_layout.h"
#include "quorvane/window/settings.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::window {

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
    // The control that has the keyboard focus, when one of the main window's
    // has it.
    virtual std::optional<Control> focusedControl() const = 0;
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

    // A menu item's check mark.
    virtual void setChecked(MenuItem item, bool checked) = 0;
    // The remembered settings as the platform keeps them: all of them, and
    // the ones that changed. Reading never fails; a failure to write is the
    // face's to swallow, since the program goes on without it.
    virtual SettingPairs loadSettings() = 0;
    virtual void saveSettings(const SettingPairs& changed) = 0;
    // The <table> tag's attribute text, asked of the user starting from
    // `current`; nothing when the user cancels.
    virtual std::optional<std::string> askTableAttribute(const std::string& current) = 0;
    // Where to save the table, the dialog suggesting `suggested`; nothing
    // when the user cancels. The dialog asks before an existing file is
    // replaced.
    virtual std::optional<std::filesystem::path>
    chooseSaveFile(const std::filesystem::path& suggested) = 0;
    // Opens an HTML file with the system's handler for HTML files; throws
    // when there is none or it fails to start.
    virtual void openDocument(const std::filesystem::path& file) = 0;

    // While busy the main window takes no input from the user, shows the busy
    // cursor, and stays painted.
    virtual void setBusy(bool busy) = 0;
    // Calls TableWindow::Timer_Tick once, `milliseconds` from now, on the
    // window's thread; a new call replaces the one pending.
    virtual void startTimer(int milliseconds) = 0;
    virtual void stopTimer() = 0;
    // Called on a conversion's worker thread as the job's last act: the face
    // calls TableWindow::Job_End(job) on the window's thread.
    virtual void postJobEnd(std::uint64_t job) = 0;
    // The progress window, modal to the main window: shown with the file's
    // name and the bar's position (0 to kProgressBarSteps), or moved on.
    // Its cancel button, Esc and close box call TableWindow::CmdCancel_Click.
    virtual void showProgress(const std::filesystem::path& file, int steps) = 0;
    virtual void closeProgress() = 0;

    // What the output box needs of a table's lines: the widest each class of
    // character is drawn in its font.
    virtual AdvanceBounds tableAdvanceBounds() const = 0;
    // Puts a new table into the output box; on a failure the box keeps what
    // it showed.
    virtual void showTable(IndexedText&& table) = 0;
    // Puts exactly what the output box shows on the clipboard.
    virtual void copyTable() = 0;
    // Exactly what the output box shows, UTF-8, CR LF kept.
    virtual std::string_view tableText() const = 0;
    // The one message: something failed.
    virtual void reportFailure() = 0;
    // The About window, one at most, brought forward.
    virtual void showAbout() = 0;
    // Closes the main window only; the program ends with its last window.
    virtual void closeWindow() = 0;
    // Ends the program at once, every window with it.
    virtual void exitProgram() = 0;
};

} // namespace quorvane::window
