#include "quorvane/window/table_window.h"

#include "quorvane/tag/save_table.h"
#include "quorvane/window/conversion_job.h"
#include "quorvane/window/main_layout.h"
#include "quorvane/window/table_window_face.h"
#include "quorvane/window/window_texts.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>
#include <utility>

namespace quorvane::window {
namespace {

constexpr int kMostFields = 100;

// The whole number a text holds, surrounding spaces allowed; nothing when it
// holds none in the 16-bit range.
std::optional<std::int16_t> int16FromText(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const char* end = text.data() + last + 1;
    std::int16_t value = 0;
    const auto [stop, error] = std::from_chars(text.data() + first, end, value);
    return error == std::errc() && stop == end ? std::optional(value) : std::nullopt;
}

// Paths as the settings keep them: UTF-8.
std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

TableWindow::TableWindow(TableWindowFace& face, JobMaker makeJob)
    : m_face(face)
    , m_makeJob(std::move(makeJob))
    , m_options(face) {
    if (!m_makeJob) {
        m_makeJob = [](const std::filesystem::path& path, const tag::ReadOptions& read,
                       const tag::BuildOptions& build, const AdvanceBounds& bounds) {
            return std::make_unique<ConversionJob>(path, read, build, bounds);
        };
    }
}

TableWindow::~TableWindow() = default;

void TableWindow::Form_Load() {
    guarded([this] {
        DataCnt = 1;
        m_face.setText(Control::TxtDataCnt, m_txtDataCnt);
        m_face.setText(Control::TxtFeeld, m_txtFeeld);
        setSpinnerRange(m_upDown1, 1, kMostFields);
        setSpinnerRange(m_upDown2, 1, m_upDown2.maximum);
        setEnabled(Control::UpDown1, true);
        setEnabled(Control::CmdDataCntOK, true);
        setEnabled(Control::CmdDataCntCancel, false);
        showFrame2(false);
        m_face.setFocus(Control::UpDown1);
        m_options.load();
    });
}

void TableWindow::UpDown1_Turn(int steps) {
    command(Control::UpDown1, [&] { turn(m_upDown1, steps); });
}

void TableWindow::UpDown2_Turn(int steps) {
    command(Control::UpDown2, [&] { turn(m_upDown2, steps); });
}

// The editor's text goes into the list only by the reflect button.
void TableWindow::TxtStyle_Edit(const std::string& text) {
    guarded([&] { m_txtStyle = text; });
}

void TableWindow::LstStyle_Click(int row) {
    command(Control::LstStyle, [&] { rowSelected(row); });
}

// Confirm: fix the count, one empty attribute row per field, edit field 1.
void TableWindow::CmdDataCntOK_Click() {
    command(Control::CmdDataCntOK, [this] {
        showFrame2(true);
        DataCnt = int16FromText(m_txtDataCnt).value_or(DataCnt);
        setEnabled(Control::UpDown1, false);
        setSpinnerValue(m_upDown2, 1);
        m_rows.resize(m_rows.size() + std::max<int>(DataCnt, 0));
        m_face.setListRows(m_rows);
        setEnabled(Control::CmdDataCntCancel, true);
        Initial();
        setSpinnerRange(m_upDown2, m_upDown2.minimum, DataCnt);
        setEnabled(Control::CmdDataCntOK, false);
    });
}

// Redo: back to setting the count; every attribute given so far is lost.
void TableWindow::CmdDataCntCancel_Click() {
    command(Control::CmdDataCntCancel, [this] {
        showFrame2(false);
        setEnabled(Control::UpDown1, true);
        setBoxText(Control::TxtFeeld, "1");
        m_rows.clear();
        m_selectedRow = -1;
        m_face.setListRows(m_rows);
        setEnabled(Control::CmdDataCntCancel, false);
        setEnabled(Control::CmdDataCntOK, true);
    });
}

// The row being edited takes the editor's text exactly as typed, and stays
// selected.
void TableWindow::CmdHanei_Click() {
    command(Control::CmdHanei, [this] {
        if (FieldIdx >= 0 && static_cast<std::size_t>(FieldIdx) < m_rows.size()) {
            m_rows[FieldIdx] = m_txtStyle;
            m_face.setListRow(FieldIdx, m_txtStyle);
        }
    });
}

void TableWindow::CmdFileOpen_Click() {
    command(Control::CmdFileOpen, [this] { makeTag(); });
}

void TableWindow::mnuCSV_Click() {
    command([this] { makeTag(); });
}

void TableWindow::CmdCopy_Click() {
    command(Control::CmdCopy, [this] { copyTxt(); });
}

void TableWindow::mnuCopy_Click() {
    command([this] { copyTxt(); });
}

void TableWindow::mnuClose_Click() {
    command([this] { m_face.exitProgram(); });
}

void TableWindow::mnuVir_Click() {
    command([this] { m_face.showAbout(); });
}

void TableWindow::Menu_Click(MenuItem item) {
    switch (item) {
    case MenuItem::mnuCSV:
        return mnuCSV_Click();
    case MenuItem::mnuCopy:
        return mnuCopy_Click();
    case MenuItem::mnuClose:
        return mnuClose_Click();
    case MenuItem::mnuVir:
        return mnuVir_Click();
    case MenuItem::mnuSave:
        return command([this] { saveTable(); });
    case MenuItem::mnuBrowser:
        return command([this] { showInBrowser(); });
    case MenuItem::mnuTableAttr:
        return command([this] { askTableAttribute(); });
    default:
        return command([&] { m_options.click(item); });
    }
}

void TableWindow::File_Drop(const std::filesystem::path& path) {
    command([&] { makeTagFrom(path); });
}

// Half a second into a conversion the progress window shows; from then on
// its bar follows the reading.
void TableWindow::Timer_Tick() {
    guarded([this] {
        if (!m_job) {
            return;
        }
        const std::uint64_t size = m_job->fileSize();
        const std::uint64_t read = std::min(m_job->bytesRead(), size);
        m_face.showProgress(m_job->path(),
                            size == 0 ? 0 : static_cast<int>(read * kProgressBarSteps / size));
        m_face.startTimer(kProgressPollMilliseconds);
    });
}

// The table of a finished job goes into the box; a failure is the one
// message; a cancel leaves everything as it was.
void TableWindow::Job_End(std::uint64_t job) {
    guarded([&] {
        if (!m_job || job != m_jobNumber) {
            return;
        }
        const std::unique_ptr<ConversionJob> ended = std::move(m_job);
        endJob();
        const ConversionJob::Outcome outcome = ended->wait();
        if (outcome == ConversionJob::Outcome::Done) {
            IndexedText TagText = ended->takeTable();
            m_face.showTable(std::move(TagText));
        } else if (outcome == ConversionJob::Outcome::Failed) {
            reportFailure();
        }
        if (std::exchange(m_closeAfterJob, false)) {
            m_face.closeWindow();
        }
    });
}

void TableWindow::CmdCancel_Click() {
    guarded([this] {
        if (m_job) {
            m_job->cancel();
        }
    });
}

bool TableWindow::Form_QueryUnload() {
    if (!m_job) {
        return true;
    }
    m_job->cancel();
    m_closeAfterJob = true;
    return false;
}

void TableWindow::TxtDataCnt_Change() {
    DataCnt = int16FromText(m_txtDataCnt).value_or(DataCnt);
}

void TableWindow::TxtFeeld_Change() {
    Initial();
}

void TableWindow::UpDown2_Change() {
    m_face.setFocus(Control::TxtStyle);
}

// Loads the attribute editor for the field number shown in TxtFeeld.
void TableWindow::Initial() {
    const std::optional<std::int16_t> field = int16FromText(m_txtFeeld);
    if (!field) {
        return;
    }
    FieldIdx = static_cast<std::int16_t>(*field - 1);
    const bool inList = FieldIdx >= 0 && static_cast<std::size_t>(FieldIdx) < m_rows.size();
    setBoxText(Control::TxtStyle, inList ? m_rows[FieldIdx] : std::string());
    if (inList) {
        selectRow(FieldIdx);
    }
}

// Converts the chosen CSV file into the table text and shows it. A cancel of
// the dialog changes nothing.
void TableWindow::makeTag() {
    std::optional<std::filesystem::path> path;
    {
        const Modal modal(m_modal);
        path = m_face.chooseCsvFile(!m_fileName.empty() ? m_fileName
                                                        : pathOf(m_options.lastFolder()) / "");
    }
    if (path) {
        makeTagFrom(*path);
    }
}

// The conversion runs on a worker; the window is busy until Job_End. A
// failure shows the one message; a failure or a cancel leaves the box and
// TagText as they were.
void TableWindow::makeTagFrom(const std::filesystem::path& path) {
    if (busy()) {
        return;
    }
    m_fileName = path;
    m_options.setLastFolder(utf8Of(path.parent_path()));
    try {
        startJob(path);
    } catch (...) {
        m_job.reset();
        endJob();
        throw;
    }
}

void TableWindow::startJob(const std::filesystem::path& path) {
    const tag::TableOptions& options = m_options.options();
    m_job =
        m_makeJob(path, options.read, options.Build(DataCnt, m_rows), m_face.tableAdvanceBounds());
    const std::uint64_t number = ++m_jobNumber;
    m_face.setBusy(true);
    m_face.startTimer(kProgressDelayMilliseconds);
    m_job->start([&face = m_face, number] { face.postJobEnd(number); });
}

// The window takes input again, whatever failed on the way.
void TableWindow::endJob() noexcept {
    for (auto step : {&TableWindowFace::stopTimer, &TableWindowFace::closeProgress}) {
        try {
            (m_face.*step)();
        } catch (...) {
        }
    }
    try {
        m_face.setBusy(false);
    } catch (...) {
    }
}

void TableWindow::copyTxt() {
    m_face.copyTable();
}

// Exactly the box's text, in the encoding the options give, as safely as the
// command line's -o: a failure leaves the target as it was.
void TableWindow::saveTable() {
    const std::filesystem::path folder =
        m_fileName.empty() ? pathOf(m_options.lastFolder()) : m_fileName.parent_path();
    const std::string name = m_fileName.empty() ? "table" : utf8Of(m_fileName.stem());
    std::optional<std::filesystem::path> target;
    {
        const Modal modal(m_modal);
        target = m_face.chooseSaveFile(folder / pathOf(name + ".html"));
    }
    if (target) {
        tag::SaveTable(*target, m_face.tableText(), {m_options.options().output.encoding, false},
                       documentTitle());
    }
}

// The box's table as a page, written into the program's own temporary folder
// and opened with the system's handler for HTML files.
void TableWindow::showInBrowser() {
    const std::filesystem::path file =
        m_documents.path() / ("table-" + std::to_string(++m_documentCount) + ".html");
    tag::SaveTable(file, m_face.tableText(), {tag::OutputEncoding::Utf8, true}, documentTitle());
    m_face.openDocument(file);
}

void TableWindow::askTableAttribute() {
    std::optional<std::string> text;
    {
        const Modal modal(m_modal);
        text = m_face.askTableAttribute(m_options.options().tableAttribute);
    }
    if (text) {
        m_options.setTableAttribute(*text);
    }
}

std::string TableWindow::documentTitle() const {
    return m_fileName.empty() ? std::string(kDocumentTitle) : utf8Of(m_fileName.filename());
}

// A box raises its Change only when its text really changes.
void TableWindow::setBoxText(Control box, const std::string& text) {
    std::string& current = boxText(box);
    if (current == text) {
        return;
    }
    current = text;
    m_face.setText(box, text);
    if (box == Control::TxtDataCnt) {
        TxtDataCnt_Change();
    } else if (box == Control::TxtFeeld) {
        TxtFeeld_Change();
    }
}

// A new value is written into the spinner's box, then announced.
void TableWindow::setSpinnerValue(Spinner& spinner, int value) {
    const int clamped = std::clamp(value, spinner.minimum, spinner.maximum);
    if (clamped == spinner.value) {
        return;
    }
    spinner.value = clamped;
    m_face.setSpinner(spinner.control, spinner.value, spinner.minimum, spinner.maximum);
    setBoxText(spinner.box, std::to_string(clamped));
    if (spinner.control == Control::UpDown2) {
        UpDown2_Change();
    }
}

// A new range pulls the value into it.
void TableWindow::setSpinnerRange(Spinner& spinner, int minimum, int maximum) {
    spinner.minimum = minimum;
    spinner.maximum = std::max(maximum, minimum);
    m_face.setSpinner(spinner.control, spinner.value, spinner.minimum, spinner.maximum);
    setSpinnerValue(spinner, spinner.value);
}

// A turn starts from the number the box shows, which the spinner takes
// silently: only the step itself is a change.
void TableWindow::turn(Spinner& spinner, int steps) {
    const int shown = int16FromText(boxText(spinner.box)).value_or(spinner.value);
    const int start = std::clamp(shown, spinner.minimum, spinner.maximum);
    if (start != spinner.value) {
        spinner.value = start;
        m_face.setSpinner(spinner.control, spinner.value, spinner.minimum, spinner.maximum);
    }
    setSpinnerValue(spinner, start + steps);
}

// Selecting another row raises the list's Click, as the user's would.
void TableWindow::selectRow(int row) {
    if (row == m_selectedRow) {
        return;
    }
    m_face.selectListRow(row);
    rowSelected(row);
}

// The list's Click: the field number follows the selected row. Selecting the
// row already selected starts nothing again.
void TableWindow::rowSelected(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() || row == m_selectedRow) {
        return;
    }
    m_selectedRow = row;
    setBoxText(Control::TxtFeeld, std::to_string(row + 1));
}

std::string& TableWindow::boxText(Control box) {
    return box == Control::TxtDataCnt ? m_txtDataCnt
           : box == Control::TxtFeeld ? m_txtFeeld
                                      : m_txtStyle;
}

// Whether a control is there for the user: enabled, and not inside a hidden
// group.
bool TableWindow::available(Control control) const {
    const ControlLayout& place = layoutOf(control);
    if (place.group == Control::Frame2 && !m_frame2Shown) {
        return false;
    }
    const auto enabled = m_enabled.find(control);
    return enabled == m_enabled.end() || enabled->second;
}

void TableWindow::setEnabled(Control control, bool enabled) {
    const std::optional<Control> focused = m_face.focusedControl();
    m_enabled[control] = enabled;
    m_face.setEnabled(control, enabled);
    if (!enabled && focused == control) {
        passFocusOn(focused);
    }
}

void TableWindow::showFrame2(bool shown) {
    const std::optional<Control> focused = m_face.focusedControl();
    m_frame2Shown = shown;
    m_face.setShown(Control::Frame2, shown);
    if (!shown && focused && layoutOf(*focused).group == Control::Frame2) {
        passFocusOn(focused);
    }
}

// The focus leaves a control that was disabled or hidden for the next one in
// tab order that is there for the user.
void TableWindow::passFocusOn(std::optional<Control> focused) {
    const std::span<const Control> order = focusOrder();
    const auto at = static_cast<std::size_t>(std::ranges::find(order, *focused) - order.begin());
    for (std::size_t i = 1; i < order.size(); ++i) {
        const Control next = order[(at + i) % order.size()];
        if (available(next)) {
            m_face.setFocus(next);
            return;
        }
    }
}

// A command is refused while a conversion runs, and when it comes from a
// control that is not there for the user.
// A dialog or message open counts as busy too: a drop that arrives while
// it waits for the user is refused.
template <typename Handler> void TableWindow::command(Control control, Handler handler) noexcept {
    if (!busy() && m_modal == 0 && available(control)) {
        guarded(handler);
    }
}

template <typename Handler> void TableWindow::command(Handler handler) noexcept {
    if (!busy() && m_modal == 0) {
        guarded(handler);
    }
}

void TableWindow::reportFailure() {
    const Modal modal(m_modal);
    m_face.reportFailure();
}

template <typename Handler> void TableWindow::guarded(Handler handler) noexcept {
    try {
        handler();
    } catch (...) {
        try {
            reportFailure();
        } catch (...) {
        }
    }
}

} // namespace quorvane::window
