#pragma once

#include "quorvane/window/table_window.h"
#include "quorvane/window/table_window_face.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <filesystem>
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
    // the window uses Qt's own.
    explicit frmTable(UserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~frmTable() override;

    using QMainWindow::setEnabled;
    using QMainWindow::setFocus;

    // The text the output box shows.
    QString tagViewText() const;
    // How long a conversion runs before the progress window shows.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

protected:
    // One local file dropped on the window converts as if chosen in the dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // A file dropped on the attribute editor is a drop on the window.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window cancels a conversion that is running.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createFrame1();
    void createFrame2();
    void createMenus();
    void layOutControls();
    void orderTabs();
    void connectHandlers();

    void nameForAssistiveTools();

    QWidget* control(window::Control which) const;
    void setText(window::Control box, const std::string& text) override;
    void setEnabled(window::Control control, bool enabled) override;
    void setShown(window::Control control, bool shown) override;
    void setFocus(window::Control control) override;
    void setSpinner(window::Control spinner, int value, int minimum, int maximum) override;
    void setListRows(const std::vector<std::string>& rows) override;
    void setListRow(int row, const std::string& text) override;
    void selectListRow(int row) override;
    std::optional<std::filesystem::path> chooseCsvFile(const std::filesystem::path& last) override;
    void waitFor(window::ConversionJob& job) override;
    void showTable(std::string&& text) override;
    void copyTable() override;
    void reportFailure() override;
    void showAbout() override;
    void exitProgram() override;

    void LstStyle_Click();
    void TxtStyle_Change(const QString& text);
    bool dragged(QEvent* event);

    window::TableWindow m_window{*this};
    std::unique_ptr<UserDialogs> m_ownDialogs;
    UserDialogs* Dlg = nullptr;
    QPointer<frmAbout> m_about;
    int m_progressDelay = 500;
    // The conversion running, and its progress window once shown.
    window::ConversionJob* m_job = nullptr;
    QPointer<ProgressWindow> m_progress;

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

    QMenu* mnuFile = nullptr;
    QAction* mnuCSV = nullptr;
    QAction* sepa = nullptr;
    QAction* mnuClose = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuVir = nullptr;
};

} // namespace quorvane::ui
