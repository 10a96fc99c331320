// Times the output box on tables of a 100 MB CSV file's worth: putting the
// text in and painting the first screen, painting after a jump to the last
// line, and the memory the box holds beyond the text. Beside it, the same
// first screen with a QPlainTextEdit on a 10 MB file's worth, for the ratio.
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/tag_view.h"
#include "quorvane/ui/twips.h"
#include "resident_memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <cstdio>
#include <random>
#include <string>

using quorvane::ui::TagView;

namespace {

constexpr std::size_t kBigCsv = 100'000'000;
constexpr std::size_t kSmallCsv = 10'000'000;
constexpr int kFields = 5;

struct Field {
    std::string text;
    std::size_t csvBytes;
};

Field asciiField(std::mt19937& rng) {
    static const char* const words[] = {"apple", "bolt",   "cedar", "delta", "ember", "frost",
                                        "grove", "harbor", "iris",  "jade",  "kelp",  "lumen"};
    std::string text;
    switch (rng() % 4) {
    case 0:
        text = std::to_string(rng() % 10'000'000);
        break;
    case 1:
        text = std::to_string(rng() % 100'000) + "." + std::to_string(10 + rng() % 90);
        break;
    case 2:
        text = words[rng() % 12];
        break;
    default:
        text = std::string(words[rng() % 12]) + " " + words[rng() % 12] + ", " + words[rng() % 12];
        return {text, text.size() + 2};
    }
    return {text, text.size()};
}

Field japaneseField(std::mt19937& rng) {
    static const std::u16string pools[] = {
        u"日本語東京大阪名古屋京都福岡札幌仙台広島神戸横浜会社部品番号価格数量合計金額",
        u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよ",
        u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨ",
        u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ"};
    if (rng() % 4 == 0) {
        const std::string digits = std::to_string(rng() % 1'000'000);
        return {digits, digits.size()};
    }
    const std::size_t pool = rng() % 4;
    const std::size_t length = 2 + rng() % 7;
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += pools[pool][rng() % pools[pool].size()];
    }
    return {QString::fromStdU16String(text).toStdString(), pool == 3 ? length : 2 * length};
}

// A table text as the converter builds it from about `csvBytes` of CSV.
template <typename MakeField> std::string makeTable(std::size_t csvBytes, MakeField makeField) {
    std::mt19937 rng(20240601);
    std::string text;
    text.reserve(csvBytes * 3);
    text += "<table>";
    std::size_t read = 0;
    while (read < csvBytes) {
        text += "\r\n<tr>";
        for (int i = 0; i < kFields; ++i) {
            const Field field = makeField(rng);
            text += "\r\n<td>";
            text += field.text;
            text += "</td>";
            read += field.csvBytes + 1;
        }
        text += "\r\n</tr>";
        read += 1;
    }
    text += "\r\n</table>";
    text.shrink_to_fit();
    return text;
}

double elapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void paint(QWidget& widget, QImage& screen) {
    screen.fill(Qt::white);
    widget.render(&screen);
}

void benchView(const char* name, std::string text, TagView& view) {
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    QImage screen(view.size(), QImage::Format_ARGB32_Premultiplied);
    const std::size_t before = residentBytes();

    QElapsedTimer timer;
    timer.start();
    view.setText(std::move(text));
    const double setMs = elapsedMs(timer);
    paint(view, screen);
    const double firstMs = elapsedMs(timer);
    const std::size_t lines = view.lineCount();
    const std::size_t after = residentBytes();

    QScrollBar* vertical = view.verticalScrollBar();
    timer.restart();
    vertical->setValue(vertical->maximum());
    paint(view, screen);
    const double lastMs = elapsedMs(timer);
    timer.restart();
    vertical->setValue(vertical->maximum() / 2);
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    paint(view, screen);
    const double middleMs = elapsedMs(timer);

    std::printf("%s: %.0f MB UTF-8, %zu lines\n", name, megabytes, lines);
    std::printf("  setText %.0f ms + first paint %.1f ms = %.0f ms\n", setMs, firstMs - setMs,
                firstMs);
    std::printf("  paint after jump to the last line %.1f ms, to the middle at the far right "
                "%.1f ms\n",
                lastMs, middleMs);
    std::printf("  beyond the text: index %.2f bytes/line, resident growth %.2f bytes/line\n",
                static_cast<double>(view.indexBytes()) / static_cast<double>(lines),
                static_cast<double>(after > before ? after - before : 0) /
                    static_cast<double>(lines));
    view.setText(std::string());
}

void benchAgainstPlainTextEdit(const std::string& text, QWidget& window, TagView& view) {
    QImage screen(view.size(), QImage::Format_ARGB32_Premultiplied);
    std::string own = text;
    QElapsedTimer timer;
    timer.start();
    view.setText(std::move(own));
    paint(view, screen);
    const double ownMs = elapsedMs(timer);
    const std::size_t lines = view.lineCount();
    view.setText(std::string());

    QPlainTextEdit edit(&window);
    edit.setGeometry(view.geometry());
    edit.setFont(view.font());
    edit.setReadOnly(true);
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    view.hide();
    edit.show();
    const QString copy = QString::fromStdString(text);
    const std::size_t before = residentBytes();
    timer.restart();
    edit.setPlainText(copy);
    paint(edit, screen);
    const double plainMs = elapsedMs(timer);
    const std::size_t after = residentBytes();
    view.show();

    std::printf("10 MB CSV (ASCII), %zu lines: TagView %.0f ms, QPlainTextEdit %.0f ms "
                "(%.0fx); QPlainTextEdit grows %.0f bytes/line\n",
                lines, ownMs, plainMs, plainMs / ownMs,
                static_cast<double>(after - before) / static_cast<double>(lines));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QWidget window;
    window.resize(quorvane::ui::twipsToPixels(9150), quorvane::ui::twipsToPixels(9150));
    TagView view(&window);
    view.setObjectName(QStringLiteral("TxtTag"));
    view.setGeometry(quorvane::ui::twipsRect(105, 5355, 8835, 3690));
    view.setFont(quorvane::ui::gothicFont(9));
    window.show();
    QCoreApplication::processEvents();

    // One table a run, so that no run inherits the allocator's state of another.
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (which == QLatin1String("ascii")) {
        benchView("100 MB CSV, ASCII", makeTable(kBigCsv, asciiField), view);
    } else if (which == QLatin1String("japanese")) {
        benchView("100 MB CSV, Japanese", makeTable(kBigCsv, japaneseField), view);
    } else if (which == QLatin1String("plain")) {
        benchAgainstPlainTextEdit(makeTable(kSmallCsv, asciiField), window, view);
    } else {
        std::fprintf(stderr, "usage: tag_view_bench ascii|japanese|plain\n");
        return 2;
    }
    return 0;
}
