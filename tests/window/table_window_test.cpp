// The main window's behaviour through a face that only records what it is
// told: random sequences of a person's actions checked after every one
// against a plain model of the column settings; the commands; the
// conversion job.
#include "quorvane/tag/convert.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/window/conversion_job.h"
#include "quorvane/window/main_layout.h"
#include "quorvane/window/table_window.h"
#include "quorvane/window/table_window_face.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>

using namespace quorvane::window;
using quorvane::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

// What the window shows, as the face was told it; a face may also be told to
// cancel every conversion or to fail as it shows or copies a table. The ends
// of conversions wait in a queue until the test hands them to the window.
struct RecordingFace final : TableWindowFace {
    std::map<Control, std::string> texts;
    std::map<Control, bool> enabled, shown;
    std::map<Control, int> maximum;
    std::string focus, table;
    std::optional<Control> focused;
    std::vector<std::string> rows;
    std::deque<std::optional<fs::path>> answers;
    std::function<void()> whileAsked = [] {};
    fs::path startedFrom;
    int selected = -1, failures = 0, timer = 0, progress = -1, closed = 0, exits = 0, abouts = 0;
    bool busy = false, cancelJobs = false, refuseTable = false, refuseCopy = false,
         refuseBusy = false;
    std::mutex lock;
    std::condition_variable ended;
    std::deque<std::uint64_t> ends;
    std::map<MenuItem, bool> checked;
    std::map<std::string, std::string> store; // the platform's settings
    std::optional<std::string> attributeAnswer;
    std::optional<fs::path> saveAnswer;
    fs::path suggested, opened;
    std::string openedText;
    bool refuseOpen = false;

    void setText(Control box, const std::string& text) override { texts[box] = text; }
    void setEnabled(Control c, bool on) override { enabled[c] = on; }
    void setShown(Control c, bool on) override { shown[c] = on; }
    void setFocus(Control c) override { focus = layoutOf(*(focused = c)).name; }
    std::optional<Control> focusedControl() const override { return focused; }
    void setSpinner(Control s, int, int, int most) override { maximum[s] = most; }
    void setListRows(const std::vector<std::string>& all) override {
        rows = all;
        selected = std::min<int>(selected, int(rows.size()) - 1);
    }
    void setListRow(int row, const std::string& text) override { rows.at(row) = text; }
    void selectListRow(int row) override { selected = row; }

    std::optional<fs::path> chooseCsvFile(const fs::path& last) override {
        startedFrom = last;
        whileAsked();
        const auto answer = answers.empty() ? std::nullopt : answers.front();
        answers.erase(answers.begin(), answers.begin() + !answers.empty());
        return answer;
    }
    void setBusy(bool on) override { busy = on && refuseBusy ? throw std::bad_alloc() : on; }
    void startTimer(int milliseconds) override { timer = milliseconds; }
    void stopTimer() override { timer = 0; }
    void postJobEnd(std::uint64_t job) override {
        const std::lock_guard hold(lock);
        ends.push_back(job);
        ended.notify_one();
    }
    void showProgress(const fs::path&, int steps) override { progress = steps; }
    void closeProgress() override { progress = -1; }
    std::uint64_t nextEnd() {
        std::unique_lock hold(lock);
        ended.wait(hold, [&] { return !ends.empty(); });
        const std::uint64_t job = ends.front();
        ends.pop_front();
        return job;
    }
    // Hands the window the end of every conversion it runs, cancelling each
    // first when told to.
    void settle(TableWindow& window) {
        while (window.busy()) {
            if (cancelJobs) {
                window.CmdCancel_Click();
            }
            window.Job_End(nextEnd());
        }
    }
    AdvanceBounds tableAdvanceBounds() const override { return {{64, 64, 128, 512}}; }
    void showTable(IndexedText&& text) override {
        refuseTable ? throw std::bad_alloc() : void(table = std::string(text.text.view()));
    }
    void copyTable() override { refuseCopy ? throw std::length_error("too long") : void(); }
    void reportFailure() override { ++failures; }
    void setChecked(MenuItem item, bool on) override { checked[item] = on; }
    SettingPairs loadSettings() override { return {store.begin(), store.end()}; }
    void saveSettings(const SettingPairs& changed) override {
        for (const auto& [key, value] : changed) {
            store[key] = value;
        }
    }
    std::optional<std::string> askTableAttribute(const std::string&) override {
        return attributeAnswer;
    }
    std::optional<fs::path> chooseSaveFile(const fs::path& name) override {
        suggested = name;
        return saveAnswer;
    }
    void openDocument(const fs::path& file) override {
        std::ifstream in(opened = file, std::ios::binary);
        openedText.assign(std::istreambuf_iterator<char>(in), {});
        refuseOpen ? throw std::runtime_error("no browser") : void();
    }
    std::string_view tableText() const override { return table; }
    void showAbout() override { ++abouts; }
    void closeWindow() override { ++closed; }
    void exitProgram() override { ++exits; }
};

// Count: that many turns of UpDown1 (negative: down); Field: one turn of
// UpDown2 up or down.
enum Kind { Count, Field, ClickRow, Type, Reflect, Confirm, Redo, Convert };

struct Action {
    Kind kind;
    int arg = 0;
    std::string text;
};

std::string number(int n) {
    return std::to_string(n);
}

// What the user should see, kept without any of the window's code.
struct Model {
    int countBox = 1, count = 1, field = 1, spinner = 1, failures = 0;
    bool editing = false;
    std::vector<std::string> rows;
    std::string editor, shown, focus = "UpDown1";

    // A control that is disabled or hidden takes no command: the count's in
    // the editing state, the attribute group's in the setup state.
    void apply(const Action& a) {
        focus.clear();
        const bool refused =
            editing ? a.kind == Count || a.kind == Confirm
                    : a.kind == Field || a.kind == ClickRow || a.kind == Reflect || a.kind == Redo;
        if (refused) {
            return;
        }
        if (a.kind == Count) {
            countBox = count = std::clamp(countBox + a.arg, 1, 100);
        } else if (a.kind == Field) {
            spinner = std::clamp(field + a.arg, 1, count);
            if (spinner != field) {
                field = spinner;
                editor = rows.at(field - 1);
                focus = "TxtStyle";
            }
        } else if (a.kind == ClickRow && a.arg != field - 1) {
            field = a.arg + 1;
            editor = rows.at(a.arg);
        } else if (a.kind == Type) {
            editor = a.text;
        } else if (a.kind == Reflect) {
            rows[field - 1] = editor;
        } else if (a.kind == Confirm) {
            editing = true;
            count = countBox;
            rows.assign(count, "");
            field = 1;
            editor.clear();
            // The pressed button is disabled: the focus goes on in tab order.
            focus = spinner != 1 ? "TxtStyle" : "CmdDataCntCancel";
            spinner = 1;
        } else if (a.kind == Redo) {
            editing = false;
            field = 1;
            rows.clear();
            focus = "CmdFileOpen";
        } else if (a.kind == Convert && !a.text.empty()) { // cancelled, or failed
            failures += a.text != "cancel";
        } else if (a.kind == Convert) { // fields 1 .. arg on one line; empty cells fill the last
            shown = "<table>\r\n<tr>\r\n";
            for (int i = 0; i < a.arg || i % count; ++i) {
                const std::string attr = size_t(i % count) < rows.size() ? rows[i % count] : "";
                shown += std::string(i && i % count == 0 ? "</tr>\r\n<tr>\r\n" : "") + "<td" +
                         (attr.empty() ? "" : " ") + attr + ">" + (i < a.arg ? number(i + 1) : "") +
                         "</td>\r\n";
            }
            shown += "</tr>\r\n</table>";
        }
    }

    auto state() const {
        return std::tuple(number(countBox), count, editing, editing, editing, editing, rows,
                          number(field), field, field, count, editor, focus, shown, failures);
    }
};

// The window under test, its face, and a scratch folder for the files.
struct Fixture {
    ScratchDir dir;
    RecordingFace face;
    TableWindow window{face};
    fs::path chosen; // the file given to the dialog last

    Fixture() { window.Form_Load(); }

    fs::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir.path() / name, std::ios::binary) << bytes;
        return dir.path() / name;
    }

    // A Count of n is n turns at once, which end where n single turns would.
    // A button takes the focus as it is pressed.
    void perform(const Action& a) {
        face.focus.clear();
        face.focused = a.kind == Confirm   ? std::optional(Control::CmdDataCntOK)
                       : a.kind == Redo    ? std::optional(Control::CmdDataCntCancel)
                       : a.kind == Reflect ? std::optional(Control::CmdHanei)
                                           : std::nullopt;
        face.cancelJobs = a.text == "cancel";
        face.refuseTable = a.text == "refuse";
        const std::function<void()> acts[] = {
            [&] { window.UpDown1_Turn(a.arg); },
            [&] { window.UpDown2_Turn(a.arg); },
            [&] { window.LstStyle_Click(face.selected = a.arg); }, // the list selects it itself
            [&] { window.TxtStyle_Edit(face.texts[Control::TxtStyle] = a.text); },
            [&] { window.CmdHanei_Click(); },
            [&] { window.CmdDataCntOK_Click(); },
            [&] { window.CmdDataCntCancel_Click(); },
            [&] { convert(a); }};
        acts[a.kind]();
    }

    // Fields 1 .. arg on one line; or a missing file.
    void convert(const Action& a) {
        chosen = a.text == "missing"
                     ? dir.path() / "missing.csv"
                     : write("f" + number(a.arg) + ".csv",
                             std::string("1,2,3,4,5,6,7,8,9").substr(0, 2 * a.arg - 1) + "\r\n");
        face.answers.push_back(chosen);
        window.mnuCSV_Click();
        face.settle(window);
    }

    // What the face shows, in the order of Model::state; what the model
    // leaves open (the settings group while hidden) is taken from the model.
    auto state(const Model& m) {
        const bool e = m.editing;
        EXPECT_EQ(face.rows, window.styleRows());
        return std::tuple(
            face.texts[Control::TxtDataCnt], int(window.dataCnt()), face.shown[Control::Frame2],
            !face.enabled[Control::UpDown1], !face.enabled[Control::CmdDataCntOK],
            face.enabled[Control::CmdDataCntCancel], face.rows, face.texts[Control::TxtFeeld],
            e ? window.fieldIdx() + 1 : m.field, e ? face.selected + 1 : m.field,
            e ? face.maximum[Control::UpDown2] : m.count,
            e ? face.texts[Control::TxtStyle] : m.editor, face.focus, face.table, face.failures);
    }
};

// An action a person could take in the state the model is in, or one of a
// control that is not there for the user; now and then a long attribute, and
// a count turned up past its top of 100.
Action randomAction(std::mt19937& rng, const Model& m) {
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const std::string texts[] = {"", "align=right", " class=\"a b\" 金額 ",
                                 std::string(40000, 'x')};
    const Kind kind =
        m.editing ? std::array{Field,   Field,   ClickRow, Type,  Reflect,
                               Reflect, Convert, Redo,     Count, Confirm}[pick(8 +
                                                                                (pick(4) == 0) * 2)]
                  : std::array{Count, Count,    Convert, Confirm, Confirm,
                               Field, ClickRow, Reflect, Redo}[pick(5 + (pick(4) == 0) * 4)];
    const int arg = kind == ClickRow ? pick(std::max(m.count, 1))
                    : kind == Field  ? 2 * pick(2) - 1
                    : kind == Count  ? (pick(8) == 0 ? 120 : pick(9) - 4)
                                     : 1 + pick(9);
    const std::string outcomes[] = {"", "", "", "", "cancel", "refuse", "missing"};
    return {kind, arg,
            kind != Convert ? texts[pick(3 + (pick(6) == 0))]
            : m.editing     ? outcomes[pick(7)]
                            : outcomes[pick(5) == 0 ? 6 : 0]};
}

} // namespace

// A failure names its seed and step; QUORVANE_MODEL_SEED replays one seed.
// After every seed no file is left open, the dialog starts from the file
// chosen last, and a copy that fails is the message.
TEST(TableWindow, FollowsTheModel) {
    const char* one = std::getenv("QUORVANE_MODEL_SEED");
    const unsigned first = one ? unsigned(std::atoi(one)) : 1, last = one ? first : 300;
    for (unsigned seed = first; seed <= last; ++seed) {
        std::mt19937 rng(seed);
        Fixture f;
        Model m;
        for (int i = 0; i <= 40; ++i) {
            ASSERT_EQ(std::tuple(seed, i, f.state(m)), std::tuple(seed, i, m.state()));
            const Action action = randomAction(rng, m);
            f.perform(action);
            m.apply(action);
        }
        for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            ASSERT_NE(fs::read_symlink(fd, error).parent_path(), f.dir.path());
        }
        f.window.CmdFileOpen_Click();
        EXPECT_EQ(f.face.startedFrom, f.chosen);
        f.face.refuseCopy = true; // no failure escapes: it becomes the message
        f.window.mnuCopy_Click();
        EXPECT_EQ(f.face.failures, m.failures + 1);
    }
}

// While a conversion runs (its end held back) every command, drop and turn
// is refused, and so is a drop while the file dialog is open; an end of
// another job changes nothing; the progress window shows on the timer; the
// close box cancels, then closes; a failure as the job starts leaves the
// window usable.
TEST(TableWindow, IsBusyUntilItsConversionEnds) {
    const std::string table = "<table>\r\n<tr>\r\n<td>a</td>\r\n</tr>\r\n</table>";
    enum Ending { Ends, Cancel, Close };
    for (const Ending ending : {Ends, Cancel, Close}) {
        Fixture f;
        const fs::path file = f.write("a.csv", "a\r\n");
        f.face.whileAsked = [&] { f.window.File_Drop(file); };
        f.face.answers.push_back(file);
        f.window.CmdFileOpen_Click();
        ASSERT_TRUE(f.window.busy() && f.face.busy);
        EXPECT_EQ(f.face.timer, 500);
        f.face.answers.push_back(file);
        const std::function<void()> refused[] = {
            [&] { f.window.UpDown1_Turn(1); },     [&] { f.window.CmdDataCntOK_Click(); },
            [&] { f.window.CmdFileOpen_Click(); }, [&] { f.window.mnuCSV_Click(); },
            [&] { f.window.File_Drop(file); },     [&] { f.window.mnuVir_Click(); },
            [&] { f.window.mnuClose_Click(); },    [&] { f.window.CmdCopy_Click(); }};
        f.face.refuseCopy = true;
        for (const auto& command : refused) {
            command();
        }
        const std::uint64_t job = f.face.nextEnd();
        f.window.Job_End(job + 1);
        f.window.Timer_Tick();
        EXPECT_EQ(std::tuple(f.window.busy(), f.face.progress, f.face.timer, f.window.dataCnt(),
                             f.face.answers.size(), f.face.abouts + f.face.exits + f.face.failures),
                  std::tuple(true, 1000, 50, 1, size_t(1), 0));
        if (ending == Cancel) {
            f.window.CmdCancel_Click();
        }
        if (ending == Close) {
            EXPECT_FALSE(f.window.Form_QueryUnload());
        }
        f.window.Job_End(job);
        EXPECT_EQ(
            std::tuple(f.window.busy(), f.face.busy, f.face.progress, f.face.timer, f.face.table,
                       f.face.closed),
            std::tuple(false, false, -1, 0, ending == Ends ? table : "", int(ending == Close)));
        EXPECT_TRUE(f.window.Form_QueryUnload());
        f.face.refuseBusy = true;
        f.window.File_Drop(file);
        f.face.refuseBusy = false;
        EXPECT_EQ(std::tuple(f.window.busy(), f.face.failures), std::tuple(false, 1));
        f.window.File_Drop(file);
        f.face.settle(f.window);
        EXPECT_EQ(f.face.table, table);
    }
}

// A job reads the whole file and hands over its table once; a job cancelled
// before it starts stops after its first block, and one cancelled after it
// ended still comes out cancelled, its table dropped.
TEST(ConversionJob, ReportsProgressAndCancelsAtAnyPoint) {
    ScratchDir dir;
    const fs::path path = dir.path() / "big.csv";
    const std::string line = "a,b,c\r\n";
    std::ofstream file(path, std::ios::binary);
    for (int i = 0; i < 800000; ++i)
        file << line;
    file.close();
    const std::uint64_t size = fs::file_size(path);

    ConversionJob done(path, quorvane::tag::ReadOptions{}, {3});
    bool told = false;
    done.start([&] { told = done.ended(); });
    const auto outcome = done.wait();
    EXPECT_EQ(std::tuple(outcome, told, done.bytesRead(), done.fileSize()),
              std::tuple(ConversionJob::Outcome::Done, true, size, size));
    const std::string table = std::string(done.takeTable().text.view());
    EXPECT_EQ(table.substr(0, 20), "<table>\r\n<tr>\r\n<td>a");
    EXPECT_EQ(table.size(), 17 + size / line.size() * 49);

    ConversionJob early(path, quorvane::tag::ReadOptions{}, {3});
    early.cancel();
    early.start();
    EXPECT_EQ(early.wait(), ConversionJob::Outcome::Cancelled);
    EXPECT_LT(early.bytesRead(), size);

    ConversionJob late(path, quorvane::tag::ReadOptions{}, {3});
    late.start();
    while (!late.ended())
        std::this_thread::yield();
    late.cancel();
    EXPECT_EQ(late.wait(), ConversionJob::Outcome::Cancelled);
    EXPECT_EQ(late.takeTable().text.view(), "");

    // A job still running when it goes is cancelled, not waited for: this
    // one would read for ever.
    std::atomic<bool> running = false;
    {
        ConversionJob endless(path, [&](ConversionJob::Progress& progress) {
            for (std::uint64_t read = 0;; ++read) {
                progress.BytesRead(read);
                running = true;
            }
            return std::string();
        });
        endless.start();
        while (!running)
            std::this_thread::yield();
    }
}

namespace {

// What quorvane-tag makes of a file with these options.
std::string converted(const fs::path& file, const quorvane::tag::TableOptions& options,
                      std::int16_t count) {
    quorvane::tag::InputFile input(file);
    std::string table;
    quorvane::tag::StringSink sink(table);
    quorvane::tag::Convert(input, options.read, options.Build(count, {}), sink);
    return table;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// The options chosen from the menu: their check marks, the next conversion
// made as quorvane-tag makes it with the same flags, only the keys that
// changed written, and all of it, with the folder of the file chosen last,
// back in a window started later.
TEST(TableWindow, OptionsAreAppliedAndRemembered) {
    Fixture f;
    const fs::path file = f.write("a b.csv", "h1\th2\r\n<x>\t\"q\"\r\n");
    f.face.attributeAnswer = "class=\"t\"";
    for (MenuItem item : {MenuItem::mnuHeader, MenuItem::mnuEscape, MenuItem::mnuTab,
                          MenuItem::mnuReadUtf8, MenuItem::mnuTableAttr, MenuItem::mnuSaveCp932}) {
        f.window.Menu_Click(item);
    }
    f.face.attributeAnswer.reset();
    f.window.Menu_Click(MenuItem::mnuTableAttr); // cancelled: no change
    f.window.UpDown1_Turn(1);
    f.face.answers.push_back(file);
    f.window.CmdFileOpen_Click();
    f.face.settle(f.window);
    quorvane::tag::TableOptions flags;
    flags.headerRow = flags.escape = true;
    flags.read = {quorvane::tag::Encoding::Utf8, '\t'};
    flags.tableAttribute = "class=\"t\"";
    EXPECT_EQ(f.face.table, converted(file, flags, 2));
    const std::map<std::string, std::string> written = {{"header", "true"},
                                                        {"escape", "true"},
                                                        {"delimiter", "tab"},
                                                        {"encoding", "utf-8"},
                                                        {"tableAttribute", "class=\"t\""},
                                                        {"outputEncoding", "cp932"},
                                                        {"lastFolder", f.dir.path().string()}};
    EXPECT_EQ(f.face.store, written);
    EXPECT_TRUE(f.face.checked[MenuItem::mnuTab] && !f.face.checked[MenuItem::mnuComma] &&
                f.face.checked[MenuItem::mnuSaveCp932] && f.face.checked[MenuItem::mnuHeader]);

    Fixture later;
    later.face.store = f.face.store;
    later.window.Form_Load();
    later.window.UpDown1_Turn(1);
    later.face.answers.push_back(file);
    later.window.mnuCSV_Click();
    later.face.settle(later.window);
    EXPECT_EQ(std::tuple(later.face.startedFrom, later.face.table, later.face.checked),
              std::tuple(f.dir.path() / "", f.face.table, f.face.checked));
}

// Save writes exactly the box's text, UTF-8 or code page 932 with references
// for what it lacks; a cancel writes nothing; a target that cannot be
// written is the one message, left as it was. The browser view hands the
// system's handler a document holding the table, titled with the file's
// name, in a folder that goes with the window.
TEST(TableWindow, SavesAndShowsTheTableAsAPage) {
    ScratchDir dir;
    fs::path page;
    {
        Fixture f;
        const fs::path file = f.write("東京.csv", "\xEF\xBB\xBF"
                                                  "漢,😀\r\n");
        f.face.answers.push_back(file);
        f.window.mnuCSV_Click();
        f.face.settle(f.window);
        f.face.saveAnswer = dir.path() / "out.html";
        f.window.Menu_Click(MenuItem::mnuSave);
        EXPECT_EQ(std::tuple(contents(dir.path() / "out.html"), f.face.suggested),
                  std::tuple(f.face.table, f.dir.path() / "東京.html"));
        f.window.Menu_Click(MenuItem::mnuSaveCp932);
        f.window.Menu_Click(MenuItem::mnuSave);
        const std::string cp932 = contents(dir.path() / "out.html");
        EXPECT_NE(cp932.find("<td>&#x1F600;</td>"), std::string::npos);
        f.face.saveAnswer = dir.path(); // a folder
        f.window.Menu_Click(MenuItem::mnuSave);
        f.face.saveAnswer.reset();
        f.window.Menu_Click(MenuItem::mnuSave);
        EXPECT_EQ(std::tuple(f.face.failures, contents(dir.path() / "out.html")),
                  std::tuple(1, cp932));

        f.window.Menu_Click(MenuItem::mnuBrowser);
        page = f.face.opened;
        EXPECT_TRUE(fs::exists(page));
        EXPECT_NE(f.face.openedText.find("<title>東京.csv</title>"), std::string::npos);
        EXPECT_NE(f.face.openedText.find(f.face.table), std::string::npos);
        f.face.refuseOpen = true;
        f.window.Menu_Click(MenuItem::mnuBrowser);
        EXPECT_EQ(f.face.failures, 2);
    }
    EXPECT_FALSE(fs::exists(page.parent_path()));
}
