#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvane::ui {

// Shown, modal to the main window, while a long conversion runs: the file's
// name, how far it has read, and a button that cancels it. Esc and the close
// box cancel too; the main window closes it when the conversion has ended.
class ProgressWindow final : public QDialog {
    Q_OBJECT

public:
    ProgressWindow(const QString& fileName, QWidget* owner);

    // The bar's position, 0 to kProgressBarSteps.
    void setSteps(int steps);
    void reject() override;

signals:
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lblFile;
    QProgressBar* barRead;
    QPushButton* CmdCancel;
};

} // namespace quorvane::ui
