#pragma once

#include "quorvane/window/main_layout.h"
#include "quorvane/window/table_window.h"
#include "quorvane/window/table_window_face.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace quorvane::ui {

class frmAbout;
class PaletteLine;
class ProgressWindow;
class SpinButton;
class TagView;
class UserDialogs;

// The main window: the field count, the attribute string of each field, the
// buttons and menus of the commands, and the box that shows the table text.
// Its behaviour is the toolkit-free TableWindow's; this is the Qt face that
// shows it and hands it the user's actions.
class frmTable final : public QMainWindow, public window::TableWindowFace {
    Q_OBJECT

public:
    // The dialogs are handed in so that tests can answer them; without them
    // the window uses Qt's own. Tests may give conversion jobs of their own.
    explicit frmTable(UserDialogs* dialogs = nullptr, window::TableWindow::JobMaker makeJob = {},
                      QWidget* parent = nullptr);
    ~frmTable() override;

    using QMainWindow::setEnabled;
    using QMainWindow::setFocus;

    // The text the output box shows.
    QString tagViewText() const;
    // Whether a conversion is running.
    bool busy() const { return m_window.busy(); }

protected:
    // One local file dropped on the window converts as if chosen in the dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // A file dropped on the attribute editor is a drop on the window.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window cancels a conversion that is running, and closes
    // once it has ended.
    void closeEvent(QCloseEvent* event) override;
    // While busy, the user's input to this window goes nowhere.
    bool busyInput(QObject* watched, QEvent* event) const;

private:
    void createControls();
    QWidget* createControl(const window::ControlLayout& layout, QWidget* parent);
    void createMenus();
    void orderTabs();
    void connectHandlers();

    QWidget* control(window::Control which) const;
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
    void setChecked(window::MenuItem item, bool checked) override;
    window::SettingPairs loadSettings() override;
    void saveSettings(const window::SettingPairs& changed) override;
    std::optional<std::string> askTableAttribute(const std::string& current) override;
    std::optional<std::filesystem::path>
    chooseSaveFile(const std::filesystem::path& suggested) override;
    void openDocument(const std::filesystem::path& file) override;
    void reportFailure() override;
    void showAbout() override;
    void closeWindow() override;
    void exitProgram() override;

    void LstStyle_Click();
    void TxtStyle_Change(const QString& text);
    bool dragged(QEvent* event);

    std::unique_ptr<UserDialogs> m_ownDialogs;
    UserDialogs* Dlg = nullptr;
    QPointer<frmAbout> m_about;
    std::map<window::Control, QWidget*> m_controls;
    // The logic's one timer, and the progress window while it shows.
    QTimer m_timer;
    QPointer<ProgressWindow> m_progress;
    bool m_busy = false;
    // Last: a conversion still running ends before the widgets go.
    window::TableWindow m_window;

    QPushButton* CmdCopy = nullptr;
    QGroupBox* Frame2 = nullptr;
    SpinButton* UpDown2 = nullptr;
    QPushButton* CmdHanei = nullptr;
    QLineEdit* TxtFeeld = nullptr;
    QLineEdit* TxtStyle = nullptr;
    QListWidget* LstStyle = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* CmdDataCntCancel = nullptr;
    QPushButton* CmdDataCntOK = nullptr;
    QLineEdit* TxtDataCnt = nullptr;
    SpinButton* UpDown1 = nullptr;
    QLabel* Label1 = nullptr;
    TagView* TxtTag = nullptr;
    QPushButton* CmdFileOpen = nullptr;
    PaletteLine* Line2 = nullptr;
    PaletteLine* Line1 = nullptr;

    // The menu's commands, found by the item they stand for.
    std::map<window::MenuItem, QAction*> m_menuItems;
};

} // namespace quorvane::ui
