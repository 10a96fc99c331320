#pragma once

#include "quorvane/window/about_layout.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace quorvane::ui {

// The version-information window: icon, title, version, description and
// maker, built from the About window's layout. Modeless and without owner;
// it deletes itself when closed.
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The description as a label `width` pixels wide in `font` shows it: the
    // caption "ｱﾌﾟﾘｹｰｼｮﾝの説明" on the first line and the description proper
    // from the second on.
    static QString descriptionText(const QFont& font, int width);

private:
    void createControls();
    void createControl(const window::AboutControlLayout& c);
    template <typename W> W* control(window::AboutControl c) const;
    void layOutControls();
    void orderTabs();
    void connectHandlers();

    void Form_Load();
    void cmdOK_Click();

    QPushButton* cmdOK = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
};

} // namespace quorvane::ui
