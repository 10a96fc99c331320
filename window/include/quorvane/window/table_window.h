#pragma once

#include "quorvane/tag/build_options.h"
#include "quorvane/tag/read_options.h"
#include "quorvane/tag/temp_folder.h"
#include "quorvane/window/control.h"
#include "quorvane/window/line_scan.h"
#include "quorvane/window/main_layout.h"
#include "quorvane/window/options_menu.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::window {

class ConversionJob;
class TableWindowFace;

// The main window's behaviour without a toolkit: the field count, the
// attribute string of each field, and the commands that convert, copy and
// end. A face calls the handlers with what the user did; every change this
// makes to what the window shows goes to the face, and every change that the
// window would announce (a box's Change, a spinner's Change, a list Click) is
// raised here, so that every face behaves alike. No handler lets an
// exception out: a failure becomes the one message.
//
// A conversion runs as a job on a worker thread; the window is busy until it
// ends, and refuses every command, drop and turn meanwhile. A command of a
// control that is disabled or hidden is refused too, however it arrives.
class TableWindow final {
public:
    // Makes the job that converts a file; tests give jobs of their own.
    using JobMaker = std::function<std::unique_ptr<ConversionJob>(
        const std::filesystem::path&, const tag::ReadOptions&, const tag::BuildOptions&,
        const AdvanceBounds&)>;

    explicit TableWindow(TableWindowFace& face, JobMaker makeJob = {});
    // A conversion still running is cancelled and waited for.
    ~TableWindow();
    TableWindow(const TableWindow&) = delete;
    TableWindow& operator=(const TableWindow&) = delete;

    // Start-up state: count 1, redo unavailable, attribute group hidden.
    void Form_Load();

    // The user turned a spinner by `steps` (arrow or key; negative: down).
    void UpDown1_Turn(int steps);
    void UpDown2_Turn(int steps);
    // The user changed the attribute editor's text.
    void TxtStyle_Edit(const std::string& text);
    // The user selected a row of the list, by mouse or keyboard.
    void LstStyle_Click(int row);
    void CmdDataCntOK_Click();
    void CmdDataCntCancel_Click();
    void CmdHanei_Click();
    void CmdFileOpen_Click();
    void mnuCSV_Click();
    void CmdCopy_Click();
    void mnuCopy_Click();
    void mnuClose_Click();
    void mnuVir_Click();
    // Any menu item: the commands above, save, the browser view, options.
    void Menu_Click(MenuItem item);
    // One file dropped on the window converts as if chosen in the dialog.
    void File_Drop(const std::filesystem::path& path);
    // The face's timer, started by startTimer, has run out.
    void Timer_Tick();
    // The worker of conversion `job` has ended; an end of a job that is no
    // longer the running one changes nothing.
    void Job_End(std::uint64_t job);
    // The progress window's cancel: its button, Esc or its close box.
    void CmdCancel_Click();
    // The user closes the main window. True: it may close now. While a
    // conversion runs it is cancelled first, and the window closes at its end.
    bool Form_QueryUnload();

    bool busy() const { return m_job != nullptr; }

    std::int16_t dataCnt() const { return DataCnt; }
    std::int16_t fieldIdx() const { return FieldIdx; }
    const std::vector<std::string>& styleRows() const { return m_rows; }

private:
    // A spinner and the box it writes its value into.
    struct Spinner {
        Control control;
        Control box;
        int value = 1;
        int minimum = 0;
        int maximum = 10;
    };

    void TxtDataCnt_Change();
    void TxtFeeld_Change();
    void UpDown2_Change();
    void Initial();
    void makeTag();
    void makeTagFrom(const std::filesystem::path& path);
    void startJob(const std::filesystem::path& path);
    void endJob() noexcept;
    void copyTxt();
    void saveTable();
    void showInBrowser();
    void askTableAttribute();
    std::string documentTitle() const;
    void reportFailure();

    // Counts the dialogs and messages open, for as long as it lives.
    class Modal final {
    public:
        explicit Modal(int& depth)
            : m_depth(++depth) {}
        ~Modal() { --m_depth; }
        Modal(const Modal&) = delete;
        Modal& operator=(const Modal&) = delete;

    private:
        int& m_depth;
    };

    bool available(Control control) const;
    void setEnabled(Control control, bool enabled);
    void showFrame2(bool shown);
    void passFocusOn(std::optional<Control> focused);

    void setBoxText(Control box, const std::string& text);
    void setSpinnerValue(Spinner& spinner, int value);
    void setSpinnerRange(Spinner& spinner, int minimum, int maximum);
    void turn(Spinner& spinner, int steps);
    void selectRow(int row);
    void rowSelected(int row);
    std::string& boxText(Control box);
    template <typename Handler> void guarded(Handler handler) noexcept;
    template <typename Handler> void command(Control control, Handler handler) noexcept;
    template <typename Handler> void command(Handler handler) noexcept;

    TableWindowFace& m_face;
    JobMaker m_makeJob;
    std::int16_t DataCnt = 0;
    std::int16_t FieldIdx = 0;

    std::string m_txtDataCnt = "1";
    std::string m_txtFeeld = "1";
    std::string m_txtStyle;
    Spinner m_upDown1{Control::UpDown1, Control::TxtDataCnt};
    Spinner m_upDown2{Control::UpDown2, Control::TxtFeeld};
    std::vector<std::string> m_rows;
    int m_selectedRow = -1;
    // The file dialog starts from the file chosen or dropped last, or else
    // from the folder remembered.
    std::filesystem::path m_fileName;
    OptionsMenu m_options;
    // Where the documents shown in the browser are written, while the
    // program runs.
    tag::TempFolder m_documents;
    int m_documentCount = 0;
    std::map<Control, bool> m_enabled;
    bool m_frame2Shown = true;

    // The conversion running, and its number: an end of another is stale.
    std::unique_ptr<ConversionJob> m_job;
    std::uint64_t m_jobNumber = 0;
    bool m_closeAfterJob = false;
    int m_modal = 0;
};

} // namespace quorvane::window
