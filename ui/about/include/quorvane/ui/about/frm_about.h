#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane::ui {

class PaletteLine;

// The version-information window: icon, title, version, description and
// maker. Modeless and without owner; it deletes itself when closed.
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The description shown under the title: the caption "ｱﾌﾟﾘｹｰｼｮﾝの説明"
    // on the first line and the description proper from the second on. The
    // run of spaces between them does that in most fonts; where the font
    // would leave the description on the first line, a line break takes the
    // place of the spaces.
    static QString descriptionText(const QFont& font, int width);

private:
    void createControls();
    void layOutControls();
    void orderTabs();
    void connectHandlers();

    void Form_Load();
    void cmdOK_Click();

    QLineEdit* Text1 = nullptr;
    QLabel* picIcon = nullptr;
    QPushButton* cmdOK = nullptr;
    QLabel* Label1 = nullptr;
    std::array<PaletteLine*, 2> Line1{};
    QLabel* lblDescription = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
};

} // namespace quorvane::ui
