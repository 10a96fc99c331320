#include "quorvane/ui/main/frm_table.h"

#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/progress_window.h"
#include "quorvane/ui/main/qt_user_dialogs.h"
#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/spin_button.h"
#include "quorvane/ui/tag_view.h"
#include "quorvane/ui/twips.h"

#include "quorvane/app_info.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

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
#include <span>
#include <stdexcept>
#include <string_view>

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

template <typename Widget> Widget* named(Widget* widget, std::string_view name) {
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

QString caption(std::string_view utf8) {
    return QString::fromUtf8(utf8);
}

// Enter on a focused button clicks it; no button is the window's default.
QPushButton* makeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(true);
    return button;
}

QLineEdit* makeNumberBox(const QString& text, QWidget* parent) {
    auto* box = new QLineEdit(text, parent);
    box->setReadOnly(true);
    return box;
}

QLineEdit* makeEditor(QWidget* parent) {
    auto* editor = new QLineEdit(parent);
    editor->setMaxLength(std::numeric_limits<int>::max());
    return editor;
}

QListWidget* makeList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    return list;
}

// A widget of the kind the layout names, with its caption.
QWidget* makeWidget(const window::ControlLayout& c, QWidget* parent) {
    using K = window::ControlKind;
    switch (c.kind) {
    case K::Button:
        return makeButton(caption(c.caption), parent);
    case K::Frame:
        return new QGroupBox(caption(c.caption), parent);
    case K::Label:
        return new QLabel(caption(c.caption), parent);
    case K::NumberBox:
        return makeNumberBox(caption(c.caption), parent);
    case K::Editor:
        return makeEditor(parent);
    case K::List:
        return makeList(parent);
    case K::Spinner:
        return new SpinButton(parent);
    case K::OutputBox:
        return new TagView(parent);
    case K::Line:
        return new PaletteLine(
            c.colour == window::LineColour::Shadow ? QPalette::Dark : QPalette::Light, parent);
    }
    return nullptr;
}

// Labels keep their left and top and take the size of their text; lines are
// one pixel high.
void place(QWidget* widget, const window::ControlLayout& c) {
    if (c.kind == window::ControlKind::Label) {
        widget->move(twipsToPixels(c.left), twipsToPixels(c.top));
        widget->adjustSize();
    } else if (c.kind == window::ControlKind::Line) {
        widget->setGeometry(twipsHorizontalLine(c.left, c.left + c.width, c.top));
    } else {
        widget->setGeometry(twipsRect(c.left, c.top, c.width, c.height));
    }
}

QFont fontOf(window::FontRole role) {
    switch (role) {
    case window::FontRole::Gothic11:
        return gothicFont(11.25);
    case window::FontRole::Gothic9:
        return gothicFont(9);
    case window::FontRole::UserInterface:
        break;
    }
    return QApplication::font();
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

frmTable::frmTable(UserDialogs* dialogs, window::TableWindow::JobMaker makeJob, QWidget* parent)
    : QMainWindow(parent)
    , m_window(*this, std::move(makeJob)) {
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
    m_timer.setSingleShot(true);
    createControls();
    createMenus();
    orderTabs();
    connectHandlers();
    m_window.Form_Load();
}

// The About window has no owner; it goes when the main window goes.
frmTable::~frmTable() {
    qApp->removeEventFilter(this);
    delete m_about.data();
}

QString frmTable::tagViewText() const {
    return TxtTag->textString();
}

// Every control as the layout has it, each group before what stands in it.
void frmTable::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFixedSize(twipsRect(0, 0, window::kClientWidth, window::kClientHeight).size());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (const window::ControlLayout& c : window::mainControls()) {
        QWidget* parent = c.group ? m_controls.at(*c.group) : client;
        m_controls[c.control] = createControl(c, parent);
    }
    const auto get = [this]<typename W>(window::Control c, W*& member) {
        member = static_cast<W*>(m_controls.at(c));
    };
    using enum window::Control;
    get(CmdCopy, this->CmdCopy), get(Frame2, this->Frame2), get(UpDown2, this->UpDown2);
    get(CmdHanei, this->CmdHanei), get(TxtFeeld, this->TxtFeeld), get(TxtStyle, this->TxtStyle);
    get(LstStyle, this->LstStyle), get(Label3, this->Label3), get(Label2, this->Label2);
    get(Frame1, this->Frame1), get(CmdDataCntCancel, this->CmdDataCntCancel);
    get(CmdDataCntOK, this->CmdDataCntOK), get(TxtDataCnt, this->TxtDataCnt);
    get(UpDown1, this->UpDown1), get(Label1, this->Label1), get(TxtTag, this->TxtTag);
    get(CmdFileOpen, this->CmdFileOpen), get(Line2, this->Line2), get(Line1, this->Line1);
}

QWidget* frmTable::createControl(const window::ControlLayout& c, QWidget* parent) {
    QWidget* widget = named(makeWidget(c, parent), c.name);
    if (c.font != window::FontRole::UserInterface) {
        widget->setFont(fontOf(c.font));
    }
    if (!c.accessibleName.empty()) {
        widget->setAccessibleName(caption(c.accessibleName));
    }
    place(widget, c);
    return widget;
}

// The menu bar as the layout has it: each entry in the menu above it, one
// level up; every command goes to the window's behaviour.
void frmTable::createMenus() {
    QMenu* menus[2] = {};
    for (const window::MenuLayout& m : window::mainMenus()) {
        QAction* action = nullptr;
        switch (m.kind) {
        case window::MenuKind::DropDown:
        case window::MenuKind::SubMenu: {
            QMenu* menu = m.level == 0 ? menuBar()->addMenu(caption(m.caption))
                                       : menus[m.level - 1]->addMenu(caption(m.caption));
            menus[m.level] = named(menu, m.name);
            continue;
        }
        case window::MenuKind::Separator:
            action = menus[m.level - 1]->addSeparator();
            break;
        case window::MenuKind::BarCommand:
            action = menuBar()->addAction(caption(m.caption));
            break;
        case window::MenuKind::Item:
        case window::MenuKind::Check:
        case window::MenuKind::Choice:
            action = menus[m.level - 1]->addAction(caption(m.caption));
            action->setCheckable(m.kind != window::MenuKind::Item);
            break;
        }
        named(action, m.name);
        if (m.item != window::MenuItem::None) {
            m_menuItems[m.item] = action;
            connect(action, &QAction::triggered, this,
                    [this, item = m.item] { m_window.Menu_Click(item); });
        }
    }
}

// Groups and labels hold places in the order too but take no focus.
void frmTable::orderTabs() {
    const std::span<const window::Control> order = window::focusOrder();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(m_controls.at(order[i - 1]), m_controls.at(order[i]));
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
    connect(CmdCopy, &QPushButton::clicked, this, [this] { m_window.CmdCopy_Click(); });
    // The box's own copy (its keys and menu) fails with the one message too.
    connect(TxtTag, &TagView::copyFailed, this, &frmTable::reportFailure);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_window.Timer_Tick(); });
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
    return m_controls.at(which);
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

std::optional<window::Control> frmTable::focusedControl() const {
    const QWidget* focused = QApplication::focusWidget();
    for (const auto& [which, widget] : m_controls) {
        if (widget == focused) {
            return which;
        }
    }
    return std::nullopt;
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

// The window stays painted while a conversion runs; the user's input to it
// goes nowhere, and the busy cursor shows.
void frmTable::setBusy(bool busy) {
    if (busy == m_busy) {
        return;
    }
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
    }
}

void frmTable::startTimer(int milliseconds) {
    m_timer.start(milliseconds);
}

void frmTable::stopTimer() {
    m_timer.stop();
}

// Runs on the worker: the end is queued to this window's thread.
void frmTable::postJobEnd(std::uint64_t job) {
    QMetaObject::invokeMethod(
        this, [this, job] { m_window.Job_End(job); }, Qt::QueuedConnection);
}

// The progress window is modal to this one; the cursor there is the arrow.
void frmTable::showProgress(const std::filesystem::path& file, int steps) {
    if (m_progress.isNull()) {
        m_progress = new ProgressWindow(fileName(file.filename()), this);
        connect(m_progress, &ProgressWindow::cancelled, this,
                [this] { m_window.CmdCancel_Click(); });
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        m_progress->show();
    }
    m_progress->setSteps(steps);
}

void frmTable::closeProgress() {
    if (!m_progress.isNull()) {
        QApplication::restoreOverrideCursor();
        delete m_progress.data();
    }
}

window::AdvanceBounds frmTable::tableAdvanceBounds() const {
    return TxtTag->advanceBounds();
}

void frmTable::showTable(window::IndexedText&& table) {
    TxtTag->setText(std::move(table));
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

std::string_view frmTable::tableText() const {
    return TxtTag->text();
}

// The logic sets every check mark itself, after Qt has flipped it.
void frmTable::setChecked(window::MenuItem item, bool checked) {
    m_menuItems.at(item)->setChecked(checked);
}

// Remembered in an INI file in the user's configuration folder
// (~/.config/Quorvane/quorvane.ini); a value of another type reads as text
// that the window's rules then refuse.
window::SettingPairs frmTable::loadSettings() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvane"),
                       QStringLiteral("quorvane"));
    window::SettingPairs pairs;
    for (const QString& key : settings.childKeys()) {
        const QVariant value = settings.value(key);
        if (value.typeId() == QMetaType::QString) {
            pairs.emplace_back(key.toStdString(), value.toString().toStdString());
        }
    }
    return pairs;
}

// Only the keys that changed; a settings file that cannot be written leaves
// the program as it is.
void frmTable::saveSettings(const window::SettingPairs& changed) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvane"),
                       QStringLiteral("quorvane"));
    for (const auto& [key, value] : changed) {
        settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    }
    settings.sync();
}

std::optional<std::string> frmTable::askTableAttribute(const std::string& current) {
    const std::optional<QString> text =
        Dlg->askTableAttribute(this, QString::fromStdString(current));
    return text ? std::optional(text->toStdString()) : std::nullopt;
}

std::optional<std::filesystem::path>
frmTable::chooseSaveFile(const std::filesystem::path& suggested) {
    const std::optional<QString> chosen = Dlg->chooseSaveFile(this, fileName(suggested));
    return chosen ? std::optional(filePath(*chosen)) : std::nullopt;
}

// The desktop's handler for HTML files (xdg-open where there is no desktop).
void frmTable::openDocument(const std::filesystem::path& file) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(fileName(file)))) {
        throw std::runtime_error("no handler for HTML files");
    }
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

void frmTable::closeWindow() {
    close();
}

// Ends the program at once, the About window with it.
void frmTable::exitProgram() {
    if (m_about) {
        m_about->close();
    }
    QCoreApplication::exit(0);
}

void frmTable::closeEvent(QCloseEvent* event) {
    if (!m_window.Form_QueryUnload()) {
        event->ignore();
        return;
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
    if (busyInput(watched, event) || (watched == TxtStyle && dragged(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Input for this window, its menus included, but not for the progress window.
bool frmTable::busyInput(QObject* watched, QEvent* event) const {
    if (!m_busy || !isUserInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    const QWidget* target = static_cast<QWidget*>(watched)->window();
    return target == this || (target->parentWidget() != nullptr &&
                              target->parentWidget()->window() == this && target != m_progress);
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
