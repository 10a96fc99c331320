#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
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
class SpinButton;
class TagView;
class UserDialogs;

// The main window: the field count, the attribute string of each field, the
// buttons and menus of the commands, and the box that shows the table text.
class frmTable final : public QMainWindow {
    Q_OBJECT

public:
    // The dialogs are handed in so that tests can answer them; without them
    // the window uses Qt's own.
    explicit frmTable(UserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~frmTable() override;

    // Fields per table row.
    std::int16_t dataCnt() const { return DataCnt; }
    // 0-based index of the field whose attribute is being edited.
    std::int16_t fieldIdx() const { return FieldIdx; }
    // The attribute string of each field, in field order, as UTF-8.
    std::vector<std::string> styleRows() const;
    // The text the output box shows.
    QString tagViewText() const;

protected:
    // One local file dropped on the window converts as if chosen in the dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createFrame1();
    void createFrame2();
    void createMenus();
    void layOutControls();
    void orderTabs();
    void connectHandlers();

    void Form_Load();
    void TxtDataCnt_Change();
    void CmdDataCntOK_Click();
    void CmdDataCntCancel_Click();
    void TxtFeeld_Change();
    void UpDown2_Change();
    void LstStyle_Click();
    void CmdHanei_Click();
    void CmdFileOpen_Click();
    void mnuCSV_Click();
    void CmdCopy_Click();
    void mnuCopy_Click();
    void mnuClose_Click();
    void mnuVir_Click();

    void Initial();
    void makeTag();
    void makeTagFrom(const QString& path);
    void copyTxt();

    QString styleRow(int row) const;
    void reportFailure();

    std::int16_t DataCnt = 0;
    std::int16_t FieldIdx = 0;
    std::string TagText;

    std::unique_ptr<UserDialogs> m_ownDialogs;
    UserDialogs* Dlg = nullptr;
    // The file dialog starts from the file chosen or dropped last.
    QString m_fileName;
    QPointer<frmAbout> m_about;

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
