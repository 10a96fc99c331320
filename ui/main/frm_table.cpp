#include "quorvane/ui/main/frm_table.h"

#include "busy_cursor.h"
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/qt_user_dialogs.h"
#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/spin_button.h"
#include "quorvane/ui/tag_view.h"
#include "quorvane/ui/twips.h"

#include "quorvane/app_info.h"
#include "quorvane/tag/convert.h"
#include "quorvane/tag/files.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/tag_error.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

#include <filesystem>
#include <limits>
#include <new>
#include <optional>

namespace quorvane::ui {
namespace {

// The whole number a text holds, surrounding spaces allowed; nothing when it
// holds none in the 16-bit range.
std::optional<std::int16_t> int16FromText(const QString& text) {
    bool ok = false;
    const short value = text.trimmed().toShort(&ok);
    return ok ? std::optional<std::int16_t>(value) : std::nullopt;
}

// A file name as the system's file calls take it: the UTF-16 name on Windows,
// Qt's encoding of file names elsewhere.
std::filesystem::path filePath(const QString& name) {
#ifdef Q_OS_WIN
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

// Room for the table text of a file of `bytes`: cells take a few times the
// bytes of their fields. Room never written costs no memory here.
std::size_t tableEstimate(std::uint64_t bytes) {
    constexpr std::uint64_t kMost = std::uint64_t{1} << 32;
    return static_cast<std::size_t>(std::min(bytes, kMost) * 3 + 64);
}

// Only a head start: when the system will not give the room, the text still
// grows as it is built.
void reserveTable(std::string& text, std::uint64_t bytes) noexcept {
    try {
        text.reserve(tableEstimate(bytes));
    } catch (const std::bad_alloc&) {
    }
}

// The one local file a drag carries; nothing for several, or for anything else.
std::optional<QString> droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return std::nullopt;
    }
    return data->urls().front().toLocalFile();
}

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

frmTable::frmTable(UserDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent) {
    if (dialogs == nullptr) {
        m_ownDialogs = std::make_unique<QtUserDialogs>();
        dialogs = m_ownDialogs.get();
    }
    Dlg = dialogs;
    setAcceptDrops(true);
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
    return TxtTag->textString();
}

std::vector<std::string> frmTable::styleRows() const {
    std::vector<std::string> rows;
    rows.reserve(LstStyle->count());
    for (int row = 0; row < LstStyle->count(); ++row) {
        rows.push_back(styleRow(row).toStdString());
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

// The spinners keep the counts from 1 to 100, so counting cannot overflow.
void frmTable::TxtDataCnt_Change() {
    DataCnt = int16FromText(TxtDataCnt->text()).value_or(DataCnt);
}

// Confirm: fix the count, one empty attribute row per field, edit field 1.
void frmTable::CmdDataCntOK_Click() {
    Frame2->show();
    DataCnt = int16FromText(TxtDataCnt->text()).value_or(DataCnt);
    UpDown1->setEnabled(false);
    UpDown2->setValue(1);
    for (int i = 0; i < DataCnt; ++i) {
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
    TxtFeeld->setText(QString::number(LstStyle->row(selected.front()) + 1));
}

void frmTable::CmdHanei_Click() {
    if (QListWidgetItem* item = LstStyle->item(FieldIdx)) {
        item->setText(TxtStyle->text());
    }
}

// Loads the attribute editor for the field number shown in TxtFeeld.
void frmTable::Initial() {
    const std::optional<std::int16_t> field = int16FromText(TxtFeeld->text());
    if (!field) {
        return;
    }
    FieldIdx = static_cast<std::int16_t>(*field - 1);
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
// the dialog changes nothing.
void frmTable::makeTag() {
    if (const std::optional<QString> path = Dlg->chooseCsvFile(this, m_fileName)) {
        makeTagFrom(*path);
    }
}

// Any failure shows the one message and leaves the box as it was; the file
// is closed on every way out.
void frmTable::makeTagFrom(const QString& path) {
    m_fileName = path;
    try {
        const BusyCursor busy;
        tag::InputFile file(filePath(path));
        TagText.clear();
        reserveTable(TagText, file.Size());
        tag::StringSink sink(TagText);
        tag::Convert(file, {}, {.fieldCount = DataCnt, .styleRows = styleRows()}, sink);
        TxtTag->setText(std::move(TagText));
    } catch (...) {
        reportFailure();
    }
}

void frmTable::reportFailure() {
    TagText.clear();
    TagText.shrink_to_fit();
    Dlg->reportFailure(this);
}

void frmTable::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData())) {
        event->acceptProposedAction();
    }
}

// The drop ends before the conversion starts, so that the source of the drag
// is not held up by it or by its message.
void frmTable::dropEvent(QDropEvent* event) {
    if (const std::optional<QString> path = droppedFile(event->mimeData())) {
        event->acceptProposedAction();
        QMetaObject::invokeMethod(
            this, [this, name = *path] { makeTagFrom(name); }, Qt::QueuedConnection);
    }
}

// Puts exactly what the box shows on the clipboard, line ends included.
void frmTable::copyTxt() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(tagViewText());
}

} // namespace quorvane::ui
