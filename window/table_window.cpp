#include "quorvane/window/table_window.h"

#include "quorvane/window/conversion_job.h"
#include "quorvane/window/table_window_face.h"

#include <algorithm>
#include <charconv>
#include <optional>

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

} // namespace

TableWindow::TableWindow(TableWindowFace& face)
    : m_face(face) {}

void TableWindow::Form_Load() {
    guarded([this] {
        DataCnt = 1;
        m_face.setText(Control::TxtDataCnt, m_txtDataCnt);
        m_face.setText(Control::TxtFeeld, m_txtFeeld);
        setSpinnerRange(m_upDown1, 1, kMostFields);
        setSpinnerRange(m_upDown2, 1, m_upDown2.maximum);
        m_face.setEnabled(Control::UpDown1, true);
        m_face.setEnabled(Control::CmdDataCntOK, true);
        m_face.setEnabled(Control::CmdDataCntCancel, false);
        m_face.setShown(Control::Frame2, false);
        m_face.setFocus(Control::UpDown1);
    });
}

void TableWindow::UpDown1_Turn(int steps) {
    guarded([&] { turn(m_upDown1, steps); });
}

void TableWindow::UpDown2_Turn(int steps) {
    guarded([&] { turn(m_upDown2, steps); });
}

// The editor's text goes into the list only by the reflect button.
void TableWindow::TxtStyle_Edit(const std::string& text) {
    guarded([&] { m_txtStyle = text; });
}

void TableWindow::LstStyle_Click(int row) {
    guarded([&] { rowSelected(row); });
}

// Confirm: fix the count, one empty attribute row per field, edit field 1.
void TableWindow::CmdDataCntOK_Click() {
    guarded([this] {
        m_face.setShown(Control::Frame2, true);
        DataCnt = int16FromText(m_txtDataCnt).value_or(DataCnt);
        m_face.setEnabled(Control::UpDown1, false);
        setSpinnerValue(m_upDown2, 1);
        m_rows.resize(m_rows.size() + std::max<int>(DataCnt, 0));
        m_face.setListRows(m_rows);
        m_face.setEnabled(Control::CmdDataCntCancel, true);
        Initial();
        setSpinnerRange(m_upDown2, m_upDown2.minimum, DataCnt);
        m_face.setEnabled(Control::CmdDataCntOK, false);
    });
}

// Redo: back to setting the count; every attribute given so far is lost.
void TableWindow::CmdDataCntCancel_Click() {
    guarded([this] {
        m_face.setShown(Control::Frame2, false);
        m_face.setEnabled(Control::UpDown1, true);
        setBoxText(Control::TxtFeeld, "1");
        m_rows.clear();
        m_selectedRow = -1;
        m_face.setListRows(m_rows);
        m_face.setEnabled(Control::CmdDataCntCancel, false);
        m_face.setEnabled(Control::CmdDataCntOK, true);
    });
}

// The row being edited takes the editor's text exactly as typed, and stays
// selected.
void TableWindow::CmdHanei_Click() {
    guarded([this] {
        if (FieldIdx >= 0 && static_cast<std::size_t>(FieldIdx) < m_rows.size()) {
            m_rows[FieldIdx] = m_txtStyle;
            m_face.setListRow(FieldIdx, m_txtStyle);
        }
    });
}

void TableWindow::CmdFileOpen_Click() {
    guarded([this] { makeTag(); });
}

void TableWindow::mnuCSV_Click() {
    guarded([this] { makeTag(); });
}

void TableWindow::CmdCopy_Click() {
    guarded([this] { copyTxt(); });
}

void TableWindow::mnuCopy_Click() {
    guarded([this] { copyTxt(); });
}

void TableWindow::mnuClose_Click() {
    guarded([this] { m_face.exitProgram(); });
}

void TableWindow::mnuVir_Click() {
    guarded([this] { m_face.showAbout(); });
}

void TableWindow::File_Drop(const std::filesystem::path& path) {
    guarded([&] { makeTagFrom(path); });
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
    if (const std::optional<std::filesystem::path> path = m_face.chooseCsvFile(m_fileName)) {
        makeTagFrom(*path);
    }
}

// A failure shows the one message; a failure or a cancel leaves the box and
// TagText as they were.
void TableWindow::makeTagFrom(const std::filesystem::path& path) {
    m_fileName = path;
    ConversionJob job(path, tag::BuildOptions{DataCnt, m_rows});
    m_face.waitFor(job);
    switch (job.wait()) {
    case ConversionJob::Outcome::Done:
        TagText = job.takeTable();
        m_face.showTable(std::move(TagText));
        break;
    case ConversionJob::Outcome::Failed:
        m_face.reportFailure();
        break;
    case ConversionJob::Outcome::Running:
    case ConversionJob::Outcome::Cancelled:
        break;
    }
}

void TableWindow::copyTxt() {
    m_face.copyTable();
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

template <typename Handler> void TableWindow::guarded(Handler handler) noexcept {
    try {
        handler();
    } catch (...) {
        try {
            m_face.reportFailure();
        } catch (...) {
        }
    }
}

} // namespace quorvane::window
