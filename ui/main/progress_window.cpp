#include "quorvane/ui/main/progress_window.h"

#include "quorvane/app_info.h"
#include "quorvane/window/window_texts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane::ui {

ProgressWindow::ProgressWindow(const QString& fileName, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint)
    , lblFile(new QLabel(fileName, this))
    , barRead(new QProgressBar(this))
    , CmdCancel(new QPushButton(QString::fromUtf8(window::kCancelCaption), this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QString::fromUtf8(app::kTitle));
    setWindowModality(Qt::WindowModal);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setTextFormat(Qt::PlainText);
    barRead->setObjectName(QStringLiteral("barRead"));
    barRead->setRange(0, window::kProgressBarSteps);
    barRead->setMinimumWidth(320);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(barRead);
    layout->addWidget(CmdCancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(CmdCancel, &QPushButton::clicked, this, &ProgressWindow::reject);
}

void ProgressWindow::setSteps(int steps) {
    barRead->setValue(steps);
}

// Esc and the button: the conversion is cancelled; the window stays until the
// main window sees the end.
void ProgressWindow::reject() {
    CmdCancel->setEnabled(false);
    emit cancelled();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

} // namespace quorvane::ui
