#include "frm_table.h"

#include "checked_int16.h"
#include "common_dialog.h"
#include "dialog_cancelled.h"
#include "fonts.h"
#include "frm_about.h"
#include "palette_line.h"
#include "qt_file_picker.h"
#include "qt_message_box.h"
#include "spin_button.h"
#include "tag_view.h"
#include "twips.h"

#include <quorvane/app_info.h>
#include <quorvane/tag/field_reader.h>
#include <quorvane/tag/table_builder.h>
#include <quorvane/tag/u16_string_sink.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

#include <limits>
#include <new>

namespace quorvane::ui {
namespace {

template <typename Widget> Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// Enter on a focused button clicks it; no button is the window's default.
QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(true);
    return button;
}

QLineEdit* makeNumberBox(const QString& name, QWidget* parent) {
    auto* box = named(new QLineEdit(QStringLiteral("1"), parent), name);
    box->setReadOnly(true);
    return box;
}

SpinButton* makeSpinner(const QString& name, int maximum, QWidget* parent) {
    auto* spinner = named(new SpinButton(parent), name);
    spinner->setMaximum(maximum);
    spinner->setValue(1);
    return spinner;
}

void place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsRect(left, top, width, height));
}

// Labels keep their left and top and take the size of their text.
void placeLabel(QLabel* label, int left, int top) {
    label->move(twipsToPixels(left), twipsToPixels(top));
    label->adjustSize();
}

} // namespace

frmTable::frmTable(FilePicker* picker, MessageBox* messages, QWidget* parent)
    : QMainWindow(parent) {
    if (picker == nullptr) {
        m_ownPicker = std::make_unique<QtFilePicker>();
        picker = m_ownPicker.get();
    }
    if (messages == nullptr) {
        m_ownMessages = std::make_unique<QtMessageBox>();
        messages = m_ownMessages.get();
    }
    m_messages = messages;
    Dlg = std::make_unique<CommonDialog>(*picker);
    setObjectName(QStringLiteral("frmTable"));
    setWindowTitle(QString::fromUtf8(app::kTitle));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    createControls();
    createMenus();
    layOutControls();
    orderTabs();
    connectHandlers();
    Form_Load();
}

// The About window has no owner; it goes when the main window goes.
frmTable::~frmTable() {
    delete m_about.data();
}

QString frmTable::tagViewText() const {
    return QString::fromStdU16String(TxtTag->text());
}

std::vector<std::u16string> frmTable::styleRows() const {
    std::vector<std::u16string> rows;
    rows.reserve(LstStyle->count());
    for (int row = 0; row < LstStyle->count(); ++row) {
        rows.push_back(styleRow(row).toStdU16String());
    }
    return rows;
}

void frmTable::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    CmdCopy = makeButton(QStringLiteral("CmdCopy"), QStringLiteral(u"クリップボードにコピー(&C)"),
                         client);
    Frame2 =
        named(new QGroupBox(QStringLiteral(u"セルの属性の設定"), client), QStringLiteral("Frame2"));
    createFrame2();
    Frame1 = named(new QGroupBox(QStringLiteral(u"参照するCSVファイルのフィールドの数"), client),
                   QStringLiteral("Frame1"));
    createFrame1();
    TxtTag = named(new TagView(client), QStringLiteral("TxtTag"));
    TxtTag->setFont(gothicFont(9));
    CmdFileOpen =
        makeButton(QStringLiteral("CmdFileOpen"), QStringLiteral(u"CSVファイルの選択(&O)"), client);
    Line2 = named(new PaletteLine(QPalette::Light, client), QStringLiteral("Line2"));
    Line1 = named(new PaletteLine(QPalette::Dark, client), QStringLiteral("Line1"));
}

void frmTable::createFrame2() {
    UpDown2 = makeSpinner(QStringLiteral("UpDown2"), 10, Frame2);
    CmdHanei =
        makeButton(QStringLiteral("CmdHanei"), QStringLiteral(u"↓リストに反映↓(&I)"), Frame2);
    TxtFeeld = makeNumberBox(QStringLiteral("TxtFeeld"), Frame2);
    UpDown2->setBuddy(TxtFeeld);
    TxtStyle = named(new QLineEdit(Frame2), QStringLiteral("TxtStyle"));
    TxtStyle->setMaxLength(std::numeric_limits<int>::max());
    TxtStyle->setFont(gothicFont(11.25));
    LstStyle = named(new QListWidget(Frame2), QStringLiteral("LstStyle"));
    LstStyle->setSelectionMode(QAbstractItemView::SingleSelection);
    LstStyle->setSortingEnabled(false);
    LstStyle->setFont(gothicFont(11.25));
    Label3 = named(new QLabel(QStringLiteral(u"挿入したいセルの属性："), Frame2),
                   QStringLiteral("Label3"));
    Label2 = named(new QLabel(QStringLiteral(u"フィールドの列番号："), Frame2),
                   QStringLiteral("Label2"));
}

void frmTable::createFrame1() {
    CmdDataCntCancel =
        makeButton(QStringLiteral("CmdDataCntCancel"), QStringLiteral(u"やりなおし(&R)"), Frame1);
    CmdDataCntOK = makeButton(QStringLiteral("CmdDataCntOK"), QStringLiteral(u"決定（&K)"), Frame1);
    TxtDataCnt = makeNumberBox(QStringLiteral("TxtDataCnt"), Frame1);
    UpDown1 = makeSpinner(QStringLiteral("UpDown1"), 100, Frame1);
    UpDown1->setBuddy(TxtDataCnt);
    Label1 =
        named(new QLabel(QStringLiteral(u"フィールドの数："), Frame1), QStringLiteral("Label1"));
}

void frmTable::createMenus() {
    mnuFile = named(menuBar()->addMenu(QStringLiteral(u"ファイル(&F)")), QStringLiteral("mnuFile"));
    mnuCSV = named(mnuFile->addAction(QStringLiteral(u"CSVファイルの選択(&O)")),
                   QStringLiteral("mnuCSV"));
    sepa = named(mnuFile->addSeparator(), QStringLiteral("sepa"));
    mnuClose = named(mnuFile->addAction(QStringLiteral(u"終了(&X)")), QStringLiteral("mnuClose"));
    mnuEdit = named(menuBar()->addMenu(QStringLiteral(u"編集(&E)")), QStringLiteral("mnuEdit"));
    mnuCopy = named(mnuEdit->addAction(QStringLiteral(u"クリップボードにコピー(&C)")),
                    QStringLiteral("mnuCopy"));
    mnuVir = named(menuBar()->addAction(QStringLiteral(u"バージョン情報(&V)")),
                   QStringLiteral("mnuVir"));
}

void frmTable::layOutControls() {
    centralWidget()->setFixedSize(twipsRect(0, 0, 9150, 9150).size());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    place(CmdCopy, 6720, 4935, 2220, 330);
    place(Frame2, 105, 1365, 8835, 3480);
    place(UpDown2, 2940, 315, 555, 330);
    place(CmdHanei, 2310, 1155, 2010, 330);
    place(TxtFeeld, 2310, 315, 630, 330);
    place(TxtStyle, 2310, 735, 6315, 330);
    place(LstStyle, 2310, 1575, 6315, 1635);
    placeLabel(Label3, 315, 790);
    placeLabel(Label2, 555, 380);
    place(Frame1, 105, 105, 8835, 1065);
    place(CmdDataCntCancel, 6405, 420, 2220, 330);
    place(CmdDataCntOK, 3990, 420, 2220, 330);
    place(TxtDataCnt, 2310, 420, 630, 330);
    place(UpDown1, 2940, 420, 555, 330);
    placeLabel(Label1, 900, 500);
    place(TxtTag, 105, 5355, 8835, 3690);
    place(CmdFileOpen, 4305, 4935, 2220, 330);
    Line2->setGeometry(twipsHorizontalLine(105, 8925, 10));
    Line1->setGeometry(twipsHorizontalLine(105, 8925, 0));
}

// Groups and labels hold places in the order too but take no focus.
void frmTable::orderTabs() {
    QWidget* const order[] = {UpDown1,  CmdDataCntOK, CmdDataCntCancel, UpDown2,
                              TxtStyle, CmdHanei,     CmdFileOpen,      CmdCopy,
                              TxtTag,   TxtDataCnt,   LstStyle,         TxtFeeld};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void frmTable::connectHandlers() {
    connect(TxtDataCnt, &QLineEdit::textChanged, this, &frmTable::TxtDataCnt_Change);
    connect(CmdDataCntOK, &QPushButton::clicked, this, &frmTable::CmdDataCntOK_Click);
    connect(CmdDataCntCancel, &QPushButton::clicked, this, &frmTable::CmdDataCntCancel_Click);
    connect(TxtFeeld, &QLineEdit::textChanged, this, &frmTable::TxtFeeld_Change);
    connect(UpDown2, &SpinButton::valueChanged, this, &frmTable::UpDown2_Change);
    // A row becoming selected, by mouse, keyboard or Initial; reselecting the
    // selected row changes no selection and so does not come round again.
    connect(LstStyle, &QListWidget::itemSelectionChanged, this, &frmTable::LstStyle_Click);
    connect(CmdHanei, &QPushButton::clicked, this, &frmTable::CmdHanei_Click);
    connect(CmdFileOpen, &QPushButton::clicked, this, &frmTable::CmdFileOpen_Click);
    connect(mnuCSV, &QAction::triggered, this, &frmTable::mnuCSV_Click);
    connect(CmdCopy, &QPushButton::clicked, this, &frmTable::CmdCopy_Click);
    connect(mnuCopy, &QAction::triggered, this, &frmTable::mnuCopy_Click);
    connect(mnuClose, &QAction::triggered, this, &frmTable::mnuClose_Click);
    connect(mnuVir, &QAction::triggered, this, &frmTable::mnuVir_Click);
}

// Start-up state: count 1, redo unavailable, attribute group hidden.
void frmTable::Form_Load() {
    DataCnt = 1;
    UpDown1->setMinimum(1);
    UpDown2->setMinimum(1);
    CmdDataCntCancel->setEnabled(false);
    Frame2->hide();
    UpDown1->setFocus();
}

void frmTable::TxtDataCnt_Change() {
    DataCnt = int16FromText(TxtDataCnt->text());
}

// Confirm: fix the count, one empty attribute row per field, edit field 1.
void frmTable::CmdDataCntOK_Click() {
    Frame2->show();
    DataCnt = int16FromText(TxtDataCnt->text());
    UpDown1->setEnabled(false);
    UpDown2->setValue(1);
    const std::int16_t last = checkedSub(DataCnt, 1);
    for (std::int16_t i = 0; i <= last; i = checkedAdd(i, 1)) {
        LstStyle->addItem(QString());
    }
    CmdDataCntCancel->setEnabled(true);
    Initial();
    UpDown2->setMaximum(DataCnt);
    CmdDataCntOK->setEnabled(false);
}

// Redo: back to setting the count; every attribute given so far is lost.
void frmTable::CmdDataCntCancel_Click() {
    Frame2->hide();
    UpDown1->setEnabled(true);
    TxtFeeld->setText(QStringLiteral("1"));
    LstStyle->clear();
    CmdDataCntCancel->setEnabled(false);
    CmdDataCntOK->setEnabled(true);
}

void frmTable::TxtFeeld_Change() {
    Initial();
}

void frmTable::UpDown2_Change() {
    TxtStyle->setFocus();
}

void frmTable::LstStyle_Click() {
    const QList<QListWidgetItem*> selected = LstStyle->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const std::int16_t row = toInt16(LstStyle->row(selected.front()));
    TxtFeeld->setText(int16Text(checkedAdd(row, 1)));
}

void frmTable::CmdHanei_Click() {
    if (QListWidgetItem* item = LstStyle->item(FieldIdx)) {
        item->setText(TxtStyle->text());
    }
}

// Loads the attribute editor for the field number shown in TxtFeeld.
void frmTable::Initial() {
    FieldIdx = checkedSub(int16FromText(TxtFeeld->text()), 1);
    TxtStyle->clear();
    TxtStyle->setText(styleRow(FieldIdx));
    LstStyle->setCurrentRow(FieldIdx);
}

QString frmTable::styleRow(int row) const {
    const QListWidgetItem* item = LstStyle->item(row);
    return item ? item->text() : QString();
}

void frmTable::CmdFileOpen_Click() {
    makeTag();
}

void frmTable::mnuCSV_Click() {
    makeTag();
}

void frmTable::CmdCopy_Click() {
    copyTxt();
}

void frmTable::mnuCopy_Click() {
    copyTxt();
}

// Ends the program at once, the About window with it.
void frmTable::mnuClose_Click() {
    if (m_about) {
        m_about->close();
    }
    QCoreApplication::exit(0);
}

// One About window at most: a second choice brings the open one forward.
void frmTable::mnuVir_Click() {
    if (m_about.isNull()) {
        m_about = new frmAbout;
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

// Converts the chosen CSV file into the table text and shows it. A cancel of
// the dialog changes nothing; any other failure shows the one message and
// leaves the box as it was. The reader closes the file on every way out.
void frmTable::makeTag() {
    try {
        const QString filter = QStringLiteral("CSV(*.csv)|*.csv");
        Dlg->setCancelError(true);
        Dlg->setFilter(filter);
        Dlg->setFlags(CommonDialog::kOverwritePrompt | CommonDialog::kHideReadOnly |
                      CommonDialog::kPathMustExist);
        TagText = u"<table>";
        Dlg->ShowOpen(this);
        const QByteArray path = QFile::encodeName(Dlg->fileName());
        tag::FieldReader reader;
        reader.Open(std::filesystem::path(path.toStdString()));
        reserveTableText(path);
        tag::U16StringSink sink(TagText);
        tag::Build(reader, DataCnt, styleRows(), sink);
        reader.Close();
        TxtTag->setText(std::move(TagText));
    } catch (const DialogCancelled&) {
        // The user changed their mind: nothing to report.
    } catch (...) {
        reportFailure();
    }
}

// A table takes about twice as many characters as its file has bytes, plus
// the tags. Reserving room for that up front spares the copies of a growing
// string; room that is never written costs no memory.
void frmTable::reserveTableText(const QByteArray& path) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path.toStdString(), error);
    if (error || bytes >= TagText.max_size() / 4) {
        return;
    }
    try {
        TagText.reserve(static_cast<std::size_t>(bytes) * 3 + 64);
    } catch (const std::bad_alloc&) {
        // Only a head start: the text can still grow as it is built.
    }
}

void frmTable::reportFailure() {
    TagText.clear();
    m_messages->Show(this,
                     {QStringLiteral(u"未知のエラーが発生しました。"), QStringLiteral(u"ぽるめに"),
                      QMessageBox::Information, QMessageBox::Ok});
}

// Puts exactly what the box shows on the clipboard, line ends included.
void frmTable::copyTxt() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(tagViewText());
}

} // namespace quorvane::ui
