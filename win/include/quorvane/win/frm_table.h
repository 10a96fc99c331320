#pragma once

#include "quorvane/win/focus_memory.h"
#include "quorvane/window/table_window.h"
#include "quorvane/window/table_window_face.h"

#include <windows.h>

#include <memory>

namespace quorvane::win {

class TagBox;
class ProgressWindow;

// The main window on the Windows API: the standard controls laid out in
// twips at the monitor's DPI, the menu bar, the output box. Its behaviour is
// the toolkit-free TableWindow's; this face shows it and hands it the user's
// actions. Its object lives as long as its window.
class frmTable final : public window::TableWindowFace {
public:
    static void registerClass(HINSTANCE instance);
    // Creates and shows the main window; nullptr when it cannot.
    static HWND open(int show);
    // Lets the window's keyboard interface (Tab, access keys, Enter, Esc)
    // take `message`: true when it did.
    static bool takeDialogKeys(MSG& message);

private:
    frmTable() = default;
    ~frmTable() override;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    bool turnByKey(const MSG& message);
    bool busyInput(const MSG& message) const;

    void createControls();
    void createMenus();
    void layOut();
    void makeFonts(UINT dpi);
    void nameForAssistiveTools();
    void onCommand(int control, int code);
    bool onNotify(const NMHDR& header);
    void onDrop(HDROP drop);

    HWND item(int id) const { return GetDlgItem(m_window, id); }
    HWND control(window::Control which) const;
    void setText(window::Control box, const std::string& text) override;
    void setEnabled(window::Control control, bool enabled) override;
    void setShown(window::Control control, bool shown) override;
    void setFocus(window::Control control) override;
    std::optional<window::Control> focusedControl() const override;
    void setSpinner(window::Control spinner, int value, int minimum, int maximum) override;
    void setListRows(const std::vector<std::string>& rows) override;
    void setListRow(int row, const std::string& text) override;
    void selectListRow(int row) override;
    std::optional<std::filesystem::path> chooseCsvFile(const std::filesystem::path& last) override;
    void setChecked(window::MenuItem item, bool checked) override;
    window::SettingPairs loadSettings() override;
    void saveSettings(const window::SettingPairs& changed) override;
    std::optional<std::string> askTableAttribute(const std::string& current) override;
    std::optional<std::filesystem::path>
    chooseSaveFile(const std::filesystem::path& suggested) override;
    void openDocument(const std::filesystem::path& file) override;
    void setBusy(bool busy) override;
    void startTimer(int milliseconds) override;
    void stopTimer() override;
    void postJobEnd(std::uint64_t job) override;
    void showProgress(const std::filesystem::path& file, int steps) override;
    void closeProgress() override;
    window::AdvanceBounds tableAdvanceBounds() const override;
    void showTable(window::IndexedText&& table) override;
    void copyTable() override;
    std::string_view tableText() const override;
    void reportFailure() override;
    void showAbout() override;
    void closeWindow() override;
    void exitProgram() override;

    HWND m_window = nullptr;
    HFONT m_uiFont = nullptr;
    HFONT m_gothicList = nullptr;
    HFONT m_gothicTable = nullptr;
    HWND m_about = nullptr;
    FocusMemory m_focus;
    // Set while this face carries out what the behaviour asked, so that the
    // controls' own notifications do not come back to it.
    bool m_applying = false;
    // While a conversion runs; the progress window once it shows.
    bool m_busy = false;
    std::unique_ptr<ProgressWindow> m_progress;
    // Last: a conversion still running ends before the rest goes.
    window::TableWindow m_logic{*this};
};

} // namespace quorvane::win
