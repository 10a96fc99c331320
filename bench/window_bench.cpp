// Times the window's conversion path: the real main window on the offscreen
// platform, its file dialog answered here, from the dialog's answer until the
// table is in the output box and its first screen is painted. Beside it, the
// same conversion shown in a QPlainTextEdit on a smaller file, for the ratio.
//
// usage: window_bench CSV_FILE [plain]
#include "file_picker.h"
#include "fonts.h"
#include "frm_table.h"
#include "message_box.h"
#include "resident_memory.h"
#include "spin_button.h"
#include "tag_view.h"

#include <quorvane/tag/table_builder.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <cstdio>

using namespace quorvane::ui;

namespace {

constexpr int kFields = 5;

// Answers the dialog with the benchmark file and starts the clock there.
class BenchUser final : public FilePicker, public MessageBox {
public:
    explicit BenchUser(QString path)
        : m_path(std::move(path)) {}
    QElapsedTimer clock;
    int failures = 0;

    std::optional<QString> pickOpenFile(QWidget*, const FilePickRequest&) override {
        clock.start();
        return m_path;
    }
    void Show(QWidget*, const MessageBoxRequest&) override { ++failures; }

private:
    QString m_path;
};

template <typename T> T* child(const QObject& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

// The window shown with the benchmark's field count confirmed.
void confirmFields(frmTable& window) {
    window.show();
    child<SpinButton>(window, "UpDown1")->setValue(kFields);
    child<QPushButton>(window, "CmdDataCntOK")->click();
}

int runWindow(const QString& path) {
    BenchUser user(path);
    frmTable window(&user, &user);
    confirmFields(window);
    auto* view = child<TagView>(window, "TxtTag");
    const std::size_t before = residentBytes();

    child<QAction>(window, "mnuCSV")->trigger();
    const double convertedMs = user.clock.nsecsElapsed() / 1e6;
    view->viewport()->grab();
    const double shownMs = user.clock.nsecsElapsed() / 1e6;
    if (user.failures != 0) {
        std::fprintf(stderr, "the conversion failed\n");
        return 1;
    }

    const std::size_t textBytes = view->text().size() * sizeof(char16_t);
    const std::size_t lines = view->lineCount();
    const double beyond = (double(residentBytes() - before) - double(textBytes)) / double(lines);

    QElapsedTimer jump;
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    jump.start();
    view->viewport()->grab();
    const double jumpMs = jump.nsecsElapsed() / 1e6;

    const double mb = QFile(path).size() / 1e6;
    std::printf("window %-28s %6.1f MB  shown in %7.1f ms (%.0f MB/s; target <= 1500 ms for 100 MB "
                "ASCII), of which converting and indexing %.1f ms; %zu lines\n",
                qPrintable(QFileInfo(path).fileName()), mb, shownMs, mb / (shownMs / 1000),
                convertedMs, lines);
    std::printf("window %-28s paint after a jump to the last line %.2f ms (target < 20)  memory "
                "beyond the text %.2f bytes a line (target <= 8)\n",
                qPrintable(QFileInfo(path).fileName()), jumpMs, beyond);
    return 0;
}

// The same file converted and given to a QPlainTextEdit, for the ratio.
int runPlain(const QString& path) {
    BenchUser user(path);
    frmTable window(&user, &user);
    confirmFields(window);
    child<QAction>(window, "mnuCSV")->trigger();
    child<TagView>(window, "TxtTag")->viewport()->grab();
    const double viewMs = user.clock.nsecsElapsed() / 1e6;

    QPlainTextEdit plain;
    plain.setFont(gothicFont(9));
    plain.setLineWrapMode(QPlainTextEdit::NoWrap);
    plain.resize(589, 246);
    plain.show();
    QElapsedTimer clock;
    clock.start();
    const std::u16string text =
        quorvane::tag::ConvertFile(QFile::encodeName(path).toStdString(), kFields, {});
    plain.setPlainText(QString::fromStdU16String(text));
    plain.viewport()->grab();
    const double plainMs = clock.nsecsElapsed() / 1e6;
    std::printf("window %-28s TxtTag %.1f ms, QPlainTextEdit %.1f ms: %.0fx faster\n",
                qPrintable(QFileInfo(path).fileName()), viewMs, plainMs, plainMs / viewMs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(uiFont());
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_bench CSV_FILE [plain]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    return argc > 2 ? runPlain(path) : runWindow(path);
}
