#include "quorvane/ui/about/frm_about.h"

#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/twips.h"

#include "quorvane/app_info.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTextLayout>

#include "about_icon_16.xpm"
#include "about_icon_32.xpm"

namespace quorvane::ui {

namespace {

const QString kDescriptionCaption = QStringLiteral(u"ｱﾌﾟﾘｹｰｼｮﾝの説明");
const QString kDescription = QStringLiteral(u"CSVファイルをHTMLのテーブルタグに変換します。");
const QString kHomePage = QStringLiteral("https://www.example.com/");

// 11 ideographic spaces, 17 ASCII spaces, 1 ideographic space.
QString descriptionSpaces() {
    return QString(11, QChar(0x3000)) + QString(17, QLatin1Char(' ')) + QChar(0x3000);
}

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// The etched rule's two lines take the palette's shadow and highlight, so
// that they show in a dark theme as in a light one.
PaletteLine* etchLine(QPalette::ColorRole role, int index, QWidget* parent) {
    auto* line = named(new PaletteLine(role, parent), QStringLiteral("Line1"));
    line->setProperty("index", index);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(u"ﾊﾞｰｼﾞｮﾝ情報"));
    QIcon icon;
    icon.addPixmap(QPixmap(about_icon_32));
    icon.addPixmap(QPixmap(about_icon_16));
    setWindowIcon(icon);

    createControls();
    layOutControls();
    orderTabs();
    connectHandlers();
    Form_Load();
}

QString frmAbout::descriptionText(const QFont& font, int width) {
    const QString spaced = kDescriptionCaption + descriptionSpaces() + kDescription;
    QTextLayout layout(spaced, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (first.isValid()) {
        first.setLineWidth(width);
    }
    layout.endLayout();
    const int descriptionStart = spaced.size() - kDescription.size();
    if (first.isValid() && first.textStart() + first.textLength() <= descriptionStart) {
        return spaced;
    }
    return kDescriptionCaption + QLatin1Char('\n') + kDescription;
}

void frmAbout::createControls() {
    Text1 = named(new QLineEdit(kHomePage, this), QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setFrame(false);
    QPalette textPalette = Text1->palette();
    textPalette.setColor(QPalette::Base, textPalette.color(QPalette::Button));
    Text1->setPalette(textPalette);

    picIcon = named(new QLabel(this), QStringLiteral("picIcon"));
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setPixmap(QPixmap(about_icon_32));

    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    Label1 = named(new QLabel(QStringLiteral(u"office ぽるめに"), this), QStringLiteral("Label1"));
    Line1[1] = etchLine(QPalette::Dark, 1, this);
    lblDescription = named(new QLabel(this), QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTitle =
        named(new QLabel(QStringLiteral(u"ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ"), this), QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Line1[0] = etchLine(QPalette::Light, 0, this);
    lblVersion = named(new QLabel(QStringLiteral(u"ﾊﾞｰｼﾞｮﾝ"), this), QStringLiteral("lblVersion"));
}

void frmAbout::layOutControls() {
    const QRect client = twipsRect(2340, 1935, 5730, 2505);
    setGeometry(client);
    setFixedSize(client.size());

    Text1->setGeometry(twipsRect(1080, 2160, 3015, 270));
    picIcon->setGeometry(twipsRect(240, 210, 540, 540));
    cmdOK->setGeometry(twipsRect(4245, 2040, 1380, 345));
    Label1->setGeometry(twipsRect(1050, 1890, 2535, 225));
    Line1[1]->setGeometry(twipsHorizontalLine(90, 5654, 1710));
    const QRect white = twipsHorizontalLine(105, 5654, 1725);
    Line1[0]->setGeometry(white.adjusted(0, 0, 0, 1)); // two pixels thick
    lblDescription->setGeometry(twipsRect(1050, 1125, 3885, 540));
    lblTitle->setGeometry(twipsRect(1050, 240, 3885, 480));
    lblVersion->setGeometry(twipsRect(1050, 780, 3885, 225));

    lblDescription->setText(
        descriptionText(lblDescription->font(), lblDescription->contentsRect().width()));
}

void frmAbout::orderTabs() {
    // Labels and the picture take no focus; the address box does, so that its
    // text can be selected from the keyboard.
    picIcon->setFocusPolicy(Qt::NoFocus);
    Text1->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(cmdOK, Text1);
    cmdOK->setFocus();
}

void frmAbout::connectHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::Form_Load() {
    const QString title = QString::fromUtf8(app::kTitle);
    setWindowTitle(title + QStringLiteral(u"のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(QStringLiteral(u"ﾊﾞｰｼﾞｮﾝ ") + QString::number(app::kVersionMajor) +
                        QLatin1Char('.') + QString::number(app::kVersionMinor) + QLatin1Char('.') +
                        QString::number(app::kVersionRevision));
    lblTitle->setText(title);
}

void frmAbout::cmdOK_Click() {
    close();
}

} // namespace quorvane::ui
