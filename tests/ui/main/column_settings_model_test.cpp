// Random sequences of user actions on the real main window, checked after
// every action against a plain model of the column settings: the count, the
// field being edited, the attribute rows, the editor's text and the window
// state. A conversion in the sequence must use exactly the model's count and
// rows. A failing sequence is cut down to a shortest one that still fails and
// printed with its seed; QUORVANE_MODEL_SEED replays one seed.
#include "window_fixture.h"

#include "quorvane/ui/spin_button.h"
#include "quorvane/ui/tag_view.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

using namespace quorvane::ui;

namespace {

enum class Kind {
    CountUp,
    CountDown,
    FieldUp,
    FieldDown,
    ClickRow,
    Type,
    Reflect,
    Confirm,
    Redo,
    Convert
};

struct Action {
    Kind kind;
    int arg = 0;
    QString text = {};
};

QString describe(const Action& a) {
    switch (a.kind) {
    case Kind::CountUp:
        return QStringLiteral("UpDown1 up x%1").arg(a.arg);
    case Kind::CountDown:
        return QStringLiteral("UpDown1 down x%1").arg(a.arg);
    case Kind::FieldUp:
        return QStringLiteral("UpDown2 up");
    case Kind::FieldDown:
        return QStringLiteral("UpDown2 down");
    case Kind::ClickRow:
        return QStringLiteral("click LstStyle row %1").arg(a.arg);
    case Kind::Type:
        return QStringLiteral("type \"%1\" into TxtStyle").arg(a.text);
    case Kind::Reflect:
        return QStringLiteral("CmdHanei");
    case Kind::Confirm:
        return QStringLiteral("CmdDataCntOK");
    case Kind::Redo:
        return QStringLiteral("CmdDataCntCancel");
    case Kind::Convert:
        return QStringLiteral("convert a file of %1 fields").arg(a.arg);
    }
    return {};
}

// What the user should see, kept without any of the window's code.
struct Model {
    int countBox = 1;
    int count = 1;
    bool editing = false;
    int field = 1;
    QStringList rows;
    QString editor;
    QString table;

    void apply(const Action& a) {
        switch (a.kind) {
        case Kind::CountUp:
        case Kind::CountDown:
            if (!editing) {
                const int step = a.kind == Kind::CountUp ? a.arg : -a.arg;
                countBox = std::clamp(countBox + step, 1, 100);
                count = countBox;
            }
            break;
        case Kind::FieldUp:
        case Kind::FieldDown:
            if (editing) {
                const int next = std::clamp(field + (a.kind == Kind::FieldUp ? 1 : -1), 1, count);
                if (next != field) {
                    field = next;
                    editor = rows.at(field - 1);
                }
            }
            break;
        case Kind::ClickRow:
            if (editing && a.arg != field - 1) {
                field = a.arg + 1;
                editor = rows.at(a.arg);
            }
            break;
        case Kind::Type:
            if (editing) {
                editor = a.text;
            }
            break;
        case Kind::Reflect:
            if (editing) {
                rows[field - 1] = editor;
            }
            break;
        case Kind::Confirm:
            if (!editing) {
                editing = true;
                count = countBox;
                rows = QStringList(count, QString());
                field = 1;
                editor.clear();
            }
            break;
        case Kind::Redo:
            if (editing) {
                editing = false;
                field = 1;
                rows.clear();
            }
            break;
        case Kind::Convert:
            table = expectedTable(a.arg);
            break;
        }
    }

    // The table of a file holding the fields v1 .. vN on one line.
    QString expectedTable(int fields) const {
        QString text = QStringLiteral("<table>");
        auto cell = [&](int column, const QString& value) {
            const QString attr = column < rows.size() ? rows.at(column) : QString();
            text += QStringLiteral("\r\n<td") + (attr.isEmpty() ? QString() : u' ' + attr) + u'>' +
                    value + QStringLiteral("</td>");
        };
        for (int first = 0; first < fields; first += count) {
            text += QStringLiteral("\r\n<tr>");
            for (int column = 0; column < count; ++column) {
                const int index = first + column;
                cell(column, index < fields ? QStringLiteral("v%1").arg(index + 1) : QString());
            }
            text += QStringLiteral("\r\n</tr>");
        }
        return text + QStringLiteral("\r\n</table>");
    }
};

// Whether a person could take the action in the state the model is in;
// shrinking a sequence can leave actions that no longer fit.
bool possible(const Action& a, const Model& m) {
    switch (a.kind) {
    case Kind::CountUp:
    case Kind::CountDown:
    case Kind::Confirm:
        return !m.editing;
    case Kind::ClickRow:
        return m.editing && a.arg < m.count;
    case Kind::Convert:
        return true;
    default:
        return m.editing;
    }
}

// The files a conversion wants, and the user who picks them.
struct Files final {
    QTemporaryDir dir;
    ScriptedUser user;

    QString fileOf(int fields) {
        const QString path = dir.filePath(QStringLiteral("f%1.csv").arg(fields));
        if (!QFile::exists(path)) {
            QStringList values;
            for (int i = 1; i <= fields; ++i) {
                values << QStringLiteral("v%1").arg(i);
            }
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                qFatal("cannot write %s", qPrintable(path));
            }
            file.write(values.join(u',').toLatin1() + "\r\n");
        }
        return path;
    }
};

class Driver {
public:
    explicit Driver(Files& files)
        : m_files(files)
        , m_window(&files.user) {
        m_window.show();
        m_window.activateWindow();
    }

    void perform(const Action& a) {
        switch (a.kind) {
        case Kind::CountUp:
        case Kind::CountDown:
            for (int i = 0; i < a.arg; ++i) {
                QTest::keyClick(get<SpinButton>("UpDown1"),
                                a.kind == Kind::CountUp ? Qt::Key_Up : Qt::Key_Down);
            }
            break;
        case Kind::FieldUp:
        case Kind::FieldDown:
            QTest::keyClick(get<SpinButton>("UpDown2"),
                            a.kind == Kind::FieldUp ? Qt::Key_Up : Qt::Key_Down);
            break;
        case Kind::ClickRow: {
            auto* list = get<QListWidget>("LstStyle");
            list->scrollToItem(list->item(a.arg));
            const QRect cell = list->visualItemRect(list->item(a.arg));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
            break;
        }
        case Kind::Type: {
            auto* editor = get<QLineEdit>("TxtStyle");
            editor->selectAll();
            QTest::keyClick(editor, Qt::Key_Delete);
            QTest::keyClicks(editor, a.text);
            break;
        }
        case Kind::Reflect:
            QTest::mouseClick(get<QPushButton>("CmdHanei"), Qt::LeftButton);
            break;
        case Kind::Confirm:
            QTest::mouseClick(get<QPushButton>("CmdDataCntOK"), Qt::LeftButton);
            break;
        case Kind::Redo:
            QTest::mouseClick(get<QPushButton>("CmdDataCntCancel"), Qt::LeftButton);
            break;
        case Kind::Convert:
            m_files.user.answers.push_back(m_files.fileOf(a.arg));
            get<QAction>("mnuCSV")->trigger();
            break;
        }
    }

    // Empty when the window shows what the model says.
    QString disagreement(const Model& m) {
        QStringList rows;
        for (int i = 0; i < get<QListWidget>("LstStyle")->count(); ++i) {
            rows << get<QListWidget>("LstStyle")->item(i)->text();
        }
        const QString table = get<TagView>("TxtTag")->textString();
        const QList<QPair<QString, bool>> checks = {
            {QStringLiteral("count box"),
             get<QLineEdit>("TxtDataCnt")->text() == QString::number(m.countBox)},
            {QStringLiteral("DataCnt"), m_window.dataCnt() == m.count},
            {QStringLiteral("Frame2 shown"), get<QGroupBox>("Frame2")->isVisible() == m.editing},
            {QStringLiteral("UpDown1 enabled"),
             get<SpinButton>("UpDown1")->isEnabled() != m.editing},
            {QStringLiteral("OK enabled"),
             get<QPushButton>("CmdDataCntOK")->isEnabled() != m.editing},
            {QStringLiteral("redo enabled"),
             get<QPushButton>("CmdDataCntCancel")->isEnabled() == m.editing},
            {QStringLiteral("rows"), rows == m.rows},
            {QStringLiteral("field number"),
             !m.editing || get<QLineEdit>("TxtFeeld")->text() == QString::number(m.field)},
            {QStringLiteral("FieldIdx"), !m.editing || m_window.fieldIdx() == m.field - 1},
            {QStringLiteral("selected row"),
             !m.editing || get<QListWidget>("LstStyle")->currentRow() == m.field - 1},
            {QStringLiteral("editor"),
             !m.editing || get<QLineEdit>("TxtStyle")->text() == m.editor},
            {QStringLiteral("table"), table == m.table},
            {QStringLiteral("no message"), m_files.user.failures == 0},
        };
        QStringList wrong;
        for (const auto& [what, ok] : checks) {
            if (!ok) {
                wrong << what;
            }
        }
        return wrong.join(QStringLiteral(", "));
    }

private:
    template <typename T> T* get(const char* name) {
        return child<T>(m_window, QString::fromLatin1(name));
    }

    Files& m_files;
    frmTable m_window;
};

// Actions a person could take in the state the model is in.
Action randomAction(std::mt19937& rng, const Model& m) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    static const QStringList texts = {QString(), QStringLiteral("align=right"),
                                      QStringLiteral(" class=\"a b\" "), QStringLiteral(" "),
                                      QStringLiteral("x")};
    if (!m.editing) {
        switch (pick(5)) {
        case 0:
            return {Kind::CountUp, 1 + pick(4)};
        case 1:
            return {Kind::CountDown, 1 + pick(3)};
        case 2:
            return {Kind::Convert, 1 + pick(9)};
        default:
            return {Kind::Confirm};
        }
    }
    switch (pick(9)) {
    case 0:
        return {Kind::FieldUp};
    case 1:
        return {Kind::FieldDown};
    case 2:
        return {Kind::ClickRow, pick(m.count)};
    case 3:
        return {Kind::Type, 0, texts.at(pick(texts.size()))};
    case 4:
    case 5:
        return {Kind::Reflect};
    case 6:
        return {Kind::Convert, 1 + pick(9)};
    case 7:
        return {Kind::Confirm};
    default:
        return pick(3) == 0 ? Action{Kind::Redo} : Action{Kind::Reflect};
    }
}

std::vector<Action> randomSequence(unsigned seed, int length) {
    std::mt19937 rng(seed);
    Model model;
    std::vector<Action> actions;
    for (int i = 0; i < length; ++i) {
        actions.push_back(randomAction(rng, model));
        model.apply(actions.back());
    }
    return actions;
}

// The first step at which the window and the model part, or -1.
int firstFailure(const std::vector<Action>& actions, QString* why = nullptr) {
    Files files;
    Driver driver(files);
    Model model;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (!possible(actions[i], model)) {
            continue;
        }
        driver.perform(actions[i]);
        model.apply(actions[i]);
        const QString wrong = driver.disagreement(model);
        if (!wrong.isEmpty()) {
            if (why) {
                *why = wrong;
            }
            return int(i);
        }
    }
    return -1;
}

// Drops actions one at a time while the sequence still fails.
std::vector<Action> shrink(std::vector<Action> actions) {
    actions.resize(std::size_t(firstFailure(actions)) + 1);
    for (bool smaller = true; smaller;) {
        smaller = false;
        for (std::size_t i = 0; i < actions.size() && actions.size() > 1; ++i) {
            std::vector<Action> candidate = actions;
            candidate.erase(candidate.begin() + std::ptrdiff_t(i));
            if (const int at = firstFailure(candidate); at >= 0) {
                candidate.resize(std::size_t(at) + 1);
                actions = candidate;
                smaller = true;
            }
        }
    }
    return actions;
}

} // namespace

class ColumnSettingsModelTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(uiFont()); }
    void windowFollowsTheModel();
};

void ColumnSettingsModelTest::windowFollowsTheModel() {
    std::vector<unsigned> seeds;
    if (const QByteArray one = qgetenv("QUORVANE_MODEL_SEED"); !one.isEmpty()) {
        seeds.push_back(one.toUInt());
    } else {
        for (unsigned s = 1; s <= 300; ++s) {
            seeds.push_back(s);
        }
    }
    for (const unsigned seed : seeds) {
        const std::vector<Action> actions = randomSequence(seed, 40);
        QString why;
        if (firstFailure(actions, &why) < 0) {
            continue;
        }
        QStringList steps;
        for (const Action& a : shrink(actions)) {
            steps << describe(a);
        }
        QFAIL(qPrintable(QStringLiteral("seed %1: %2 after\n  %3")
                             .arg(seed)
                             .arg(why, steps.join(QStringLiteral("\n  ")))));
    }
}

QTEST_MAIN(ColumnSettingsModelTest)
#include "column_settings_model_test.moc"
