#include "quorvane/ui/main/frm_table.h"

#include "busy_cursor.h"
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/progress_window.h"
#include "quorvane/ui/main/qt_user_dialogs.h"
#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/spin_button.h"
#include "quorvane/ui/tag_view.h"
#include "quorvane/ui/twips.h"

#include "quorvane/app_info.h"
#include "quorvane/window/conversion_job.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QMimeData>
#include <QTimer>

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

// A file name as the system's file calls take it: the UTF-16 name on Windows,
// Qt's encoding of file names elsewhere.
std::filesystem::path filePath(const QString& name) {
#ifdef Q_OS_WIN
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

// A path as the dialogs show it.
QString fileName(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
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
    nameForAssistiveTools();
    connectHandlers();
    m_window.Form_Load();
}

// The About window has no owner; it goes when the main window goes.
frmTable::~frmTable() {
    delete m_about.data();
}

QString frmTable::tagViewText() const {
    return TxtTag->textString();
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
    UpDown2 = named(new SpinButton(Frame2), QStringLiteral("UpDown2"));
    CmdHanei =
        makeButton(QStringLiteral("CmdHanei"), QStringLiteral(u"↓リストに反映↓(&I)"), Frame2);
    TxtFeeld = makeNumberBox(QStringLiteral("TxtFeeld"), Frame2);
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
    UpDown1 = named(new SpinButton(Frame1), QStringLiteral("UpDown1"));
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

// What assistive tools call the boxes, the list and the output box: the
// label or caption beside them.
void frmTable::nameForAssistiveTools() {
    const std::pair<QWidget*, QString> names[] = {{TxtDataCnt, Label1->text()},
                                                  {UpDown1, Label1->text()},
                                                  {TxtFeeld, Label2->text()},
                                                  {UpDown2, Label2->text()},
                                                  {TxtStyle, Label3->text()},
                                                  {LstStyle, Frame2->title()},
                                                  {TxtTag, QStringLiteral(u"テーブルタグ")}};
    for (const auto& [widget, name] : names) {
        widget->setAccessibleName(name);
    }
}

// The user's actions go to the window's behaviour; the boxes' and the
// spinners' own changes do not, since the behaviour raises them itself.
void frmTable::connectHandlers() {
    connect(UpDown1, &SpinButton::turned, this,
            [this](int steps) { m_window.UpDown1_Turn(steps); });
    connect(UpDown2, &SpinButton::turned, this,
            [this](int steps) { m_window.UpDown2_Turn(steps); });
    connect(TxtStyle, &QLineEdit::textEdited, this, &frmTable::TxtStyle_Change);
    connect(LstStyle, &QListWidget::itemSelectionChanged, this, &frmTable::LstStyle_Click);
    connect(CmdDataCntOK, &QPushButton::clicked, this, [this] { m_window.CmdDataCntOK_Click(); });
    connect(CmdDataCntCancel, &QPushButton::clicked, this,
            [this] { m_window.CmdDataCntCancel_Click(); });
    connect(CmdHanei, &QPushButton::clicked, this, [this] { m_window.CmdHanei_Click(); });
    connect(CmdFileOpen, &QPushButton::clicked, this, [this] { m_window.CmdFileOpen_Click(); });
    connect(mnuCSV, &QAction::triggered, this, [this] { m_window.mnuCSV_Click(); });
    connect(CmdCopy, &QPushButton::clicked, this, [this] { m_window.CmdCopy_Click(); });
    connect(mnuCopy, &QAction::triggered, this, [this] { m_window.mnuCopy_Click(); });
    connect(mnuClose, &QAction::triggered, this, [this] { m_window.mnuClose_Click(); });
    connect(mnuVir, &QAction::triggered, this, [this] { m_window.mnuVir_Click(); });
    // The box's own copy (its keys and menu) fails with the one message too.
    connect(TxtTag, &TagView::copyFailed, this, &frmTable::reportFailure);
    TxtStyle->installEventFilter(this);
}

// The text and the name are converted here, before the behaviour's own
// guard: a failure of that is the one message too.
void frmTable::TxtStyle_Change(const QString& text) {
    try {
        m_window.TxtStyle_Edit(text.toStdString());
    } catch (...) {
        reportFailure();
    }
}

// A row selected by mouse or keyboard; the window's own selections come
// with the list's signals blocked.
void frmTable::LstStyle_Click() {
    const QList<QListWidgetItem*> selected = LstStyle->selectedItems();
    if (!selected.isEmpty()) {
        m_window.LstStyle_Click(LstStyle->row(selected.front()));
    }
}

QWidget* frmTable::control(window::Control which) const {
    using window::Control;
    switch (which) {
    case Control::Frame2:
        return Frame2;
    case Control::TxtDataCnt:
        return TxtDataCnt;
    case Control::UpDown1:
        return UpDown1;
    case Control::CmdDataCntOK:
        return CmdDataCntOK;
    case Control::CmdDataCntCancel:
        return CmdDataCntCancel;
    case Control::TxtFeeld:
        return TxtFeeld;
    case Control::UpDown2:
        return UpDown2;
    case Control::TxtStyle:
        return TxtStyle;
    case Control::LstStyle:
        return LstStyle;
    }
    return nullptr;
}

void frmTable::setText(window::Control box, const std::string& text) {
    auto* edit = static_cast<QLineEdit*>(control(box));
    const QSignalBlocker quiet(edit);
    edit->setText(QString::fromStdString(text));
}

void frmTable::setEnabled(window::Control which, bool enabled) {
    control(which)->setEnabled(enabled);
}

void frmTable::setShown(window::Control which, bool shown) {
    control(which)->setVisible(shown);
}

void frmTable::setFocus(window::Control which) {
    control(which)->setFocus();
}

void frmTable::setSpinner(window::Control spinner, int value, int minimum, int maximum) {
    static_cast<SpinButton*>(control(spinner))->setState(value, minimum, maximum);
}

void frmTable::setListRows(const std::vector<std::string>& rows) {
    const QSignalBlocker quiet(LstStyle);
    LstStyle->clear();
    for (const std::string& row : rows) {
        LstStyle->addItem(QString::fromStdString(row));
    }
}

void frmTable::setListRow(int row, const std::string& text) {
    if (QListWidgetItem* item = LstStyle->item(row)) {
        item->setText(QString::fromStdString(text));
    }
}

void frmTable::selectListRow(int row) {
    const QSignalBlocker quiet(LstStyle);
    LstStyle->setCurrentRow(row);
}

std::optional<std::filesystem::path> frmTable::chooseCsvFile(const std::filesystem::path& last) {
    const std::optional<QString> chosen = Dlg->chooseCsvFile(this, fileName(last));
    return chosen ? std::optional(filePath(*chosen)) : std::nullopt;
}

// The window stays painted while the job runs. For its first half second
// the user's input waits and the busy cursor shows; a job that runs longer
// gets the progress window, modal to this one, from which it can be cancelled.
void frmTable::waitFor(window::ConversionJob& job) {
    QObject waker;
    QEventLoop loop;
    m_job = &job;
    job.start([&] {
        QMetaObject::invokeMethod(
            &waker,
            [&] {
                loop.quit();
                if (m_progress) {
                    m_progress->jobEnded();
                }
            },
            Qt::QueuedConnection);
    });
    QTimer::singleShot(m_progressDelay, &loop, &QEventLoop::quit);
    {
        const BusyCursor busy;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!job.ended()) {
        ProgressWindow progress(job, this);
        m_progress = &progress;
        progress.exec();
    }
    job.wait();
    m_job = nullptr;
}

void frmTable::showTable(std::string&& text) {
    TxtTag->setText(std::move(text));
}

// Puts exactly what the box shows on the clipboard, line ends included.
void frmTable::copyTable() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = tagViewText();
    clipboard->clear();
    clipboard->setText(text);
}

void frmTable::reportFailure() {
    Dlg->reportFailure(this);
}

// One About window at most: a second choice brings the open one forward.
void frmTable::showAbout() {
    if (m_about.isNull()) {
        m_about = new frmAbout;
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

// Ends the program at once, the About window with it.
void frmTable::exitProgram() {
    if (m_about) {
        m_about->close();
    }
    QCoreApplication::exit(0);
}

void frmTable::closeEvent(QCloseEvent* event) {
    if (m_job != nullptr) {
        m_job->cancel();
        if (m_progress) {
            m_progress->reject();
        }
    }
    QMainWindow::closeEvent(event);
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
            this,
            [this, name = *path] {
                try {
                    m_window.File_Drop(filePath(name));
                } catch (...) {
                    reportFailure();
                }
            },
            Qt::QueuedConnection);
    }
}

// Files and links dragged over the attribute editor are the window's to take
// or refuse; text still drops into the editor.
bool frmTable::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TxtStyle && dragged(event)) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmTable::dragged(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData()->hasUrls()) {
            return false;
        }
        drag->setAccepted(droppedFile(drag->mimeData()).has_value());
        if (drag->isAccepted()) {
            drag->acceptProposedAction();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls()) {
            return false;
        }
        dropEvent(drop);
        return true;
    }
    default:
        return false;
    }
}

} // namespace quorvane::ui
