#include "quorvane/ui/about/frm_about.h"

#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/twips.h"

#include "quorvane/app_info.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "about_icon_16.xpm"
#include "about_icon_32.xpm"

namespace quorvane::ui {

namespace {

using K = window::AboutKind;

QString text(std::string_view utf8) {
    return QString::fromUtf8(utf8);
}

// Read-only and frameless on the button face's colour, so that it reads
// like a label while its text can still be selected and copied.
QLineEdit* makeAddressBox(const QString& address, QWidget* parent) {
    auto* box = new QLineEdit(address, parent);
    box->setReadOnly(true);
    box->setFrame(false);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
    return box;
}

QLabel* makePicture(QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(window::kAboutIconBorder);
    picture->setPixmap(QPixmap(about_icon_32));
    return picture;
}

QPushButton* makeButton(const window::AboutControlLayout& c, QWidget* parent) {
    auto* button = new QPushButton(text(c.caption), parent);
    button->setDefault(c.defaultAndCancel);
    return button;
}

QLabel* makeLabel(const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The etched rule's two lines take the palette's shadow and highlight, so
// that they show in a dark theme as in a light one.
PaletteLine* makeLine(const window::AboutLine& line, QWidget* parent) {
    auto* drawn = new PaletteLine(
        line.colour == window::LineColour::Shadow ? QPalette::Dark : QPalette::Light, parent);
    drawn->setProperty("index", line.index);
    return drawn;
}

QWidget* makeWidget(const window::AboutControlLayout& c, QWidget* parent) {
    switch (c.kind) {
    case K::AddressBox:
        return makeAddressBox(text(c.caption), parent);
    case K::Picture:
        return makePicture(parent);
    case K::Button:
        return makeButton(c, parent);
    case K::Label:
        return makeLabel(text(c.caption), parent);
    case K::Line:
        return makeLine(c.line, parent);
    }
    return nullptr;
}

QRect placeOf(const window::AboutControlLayout& c) {
    if (c.kind == K::Line) {
        QRect line = twipsHorizontalLine(c.line.x1, c.line.x2, c.line.y);
        line.setHeight(c.line.thickness);
        return line;
    }
    return twipsRect(c.place.left, c.place.top, c.place.width, c.place.height);
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(text(window::kAboutFirstCaption));
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

// Qt's word wrap leaves white space, ideographic spaces too, hanging at the
// end of the line it breaks.
QString frmAbout::descriptionText(const QFont& font, int width) {
    const QFontMetricsF metrics(font);
    const auto widthOf = [&](std::string_view s) { return metrics.horizontalAdvance(text(s)); };
    return text(window::descriptionText(widthOf, width, window::SpaceBreak::HangsRun, "\n"));
}

// Every control as the layout has it, in its place.
void frmAbout::createControls() {
    for (const window::AboutControlLayout& c : window::aboutControls()) {
        createControl(c);
    }
    using window::AboutControl;
    cmdOK = control<QPushButton>(AboutControl::cmdOK);
    lblDescription = control<QLabel>(AboutControl::lblDescription);
    lblTitle = control<QLabel>(AboutControl::lblTitle);
    lblVersion = control<QLabel>(AboutControl::lblVersion);
}

void frmAbout::createControl(const window::AboutControlLayout& c) {
    QWidget* widget = makeWidget(c, this);
    widget->setObjectName(text(c.name));
    widget->setFocusPolicy(c.takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    widget->setGeometry(placeOf(c));
}

template <typename W> W* frmAbout::control(window::AboutControl c) const {
    return findChild<W*>(text(window::aboutLayoutOf(c).name), Qt::FindDirectChildrenOnly);
}

// The window keeps its size and its place on the screen.
void frmAbout::layOutControls() {
    const window::TwipsRect& client = window::kAboutClient;
    const QRect frame = twipsRect(client.left, client.top, client.width, client.height);
    setGeometry(frame);
    setFixedSize(frame.size());
    lblDescription->setText(
        descriptionText(lblDescription->font(), lblDescription->contentsRect().width()));
}

// The focus starts on the first control that takes it.
void frmAbout::orderTabs() {
    const std::span<const window::AboutControl> order = window::aboutFocusOrder();
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(control<QWidget>(order[i - 1]), control<QWidget>(order[i]));
    }
    control<QWidget>(order.front())->setFocus();
}

void frmAbout::connectHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::Form_Load() {
    setWindowTitle(text(window::aboutCaption(app::kTitle)));
    lblVersion->setText(
        text(window::versionLabel(app::kVersionMajor, app::kVersionMinor, app::kVersionRevision)));
    lblTitle->setText(text(app::kTitle));
}

void frmAbout::cmdOK_Click() {
    close();
}

} // namespace quorvane::ui
