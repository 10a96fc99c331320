#include "quorvane/ui/main/progress_window.h"

#include "quorvane/app_info.h"
#include "quorvane/window/conversion_job.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace quorvane::ui {
namespace {

// The bar counts in thousandths, so that files past 2 GB fit its range.
constexpr int kBarSteps = 1000;
constexpr int kPollMilliseconds = 50;

} // namespace

ProgressWindow::ProgressWindow(window::ConversionJob& job, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint)
    , m_job(job)
    , lblFile(new QLabel(this))
    , barRead(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QString::fromUtf8(app::kTitle));
    setWindowModality(Qt::WindowModal);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setText(QFile::decodeName(QByteArray::fromStdString(job.path().filename().string())));
    lblFile->setTextFormat(Qt::PlainText);
    barRead->setObjectName(QStringLiteral("barRead"));
    barRead->setRange(0, kBarSteps);
    barRead->setMinimumWidth(320);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), this);
    cancel->setObjectName(QStringLiteral("CmdCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(barRead);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cancel, &QPushButton::clicked, this, &ProgressWindow::CmdCancel_Click);
    showProgress();
    m_poll.start(kPollMilliseconds, this);
}

void ProgressWindow::jobEnded() {
    m_poll.stop();
    accept();
}

// Esc, the close box and the button all cancel the job.
void ProgressWindow::reject() {
    m_job.cancel();
    m_poll.stop();
    QDialog::reject();
}

void ProgressWindow::CmdCancel_Click() {
    reject();
}

void ProgressWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_poll.timerId()) {
        showProgress();
    }
}

void ProgressWindow::showProgress() {
    const std::uint64_t size = m_job.fileSize();
    const std::uint64_t read = std::min(m_job.bytesRead(), size);
    barRead->setValue(size == 0 ? 0 : static_cast<int>(read * kBarSteps / size));
}

} // namespace quorvane::ui
