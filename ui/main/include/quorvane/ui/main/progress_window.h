#pragma once

#include <QBasicTimer>
#include <QDialog>

class QLabel;
class QProgressBar;

namespace quorvane::window {
class ConversionJob;
}

namespace quorvane::ui {

// Shown, modal to the main window, while a long conversion runs: the file's
// name, how far it has read, and a button that cancels it. Esc and the close
// box cancel too. It closes itself when told that the job has ended.
class ProgressWindow final : public QDialog {
    Q_OBJECT

public:
    ProgressWindow(window::ConversionJob& job, QWidget* owner);

    // The job has ended: close without cancelling.
    void jobEnded();
    void reject() override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void CmdCancel_Click();
    void showProgress();

    window::ConversionJob& m_job;
    QLabel* lblFile;
    QProgressBar* barRead;
    QBasicTimer m_poll;
};

} // namespace quorvane::ui
