#pragma once

#include <QFont>

namespace quorvane::ui {

// The fixed-pitch Japanese Gothic face of the text boxes: "ＭＳ ゴシック" where
// it is installed, else a metric-compatible face such as IPAGothic, else any
// fixed-pitch face that has the Japanese characters.
QFont gothicFont(qreal pointSize);

// The program's user-interface font: a 9-point proportional Japanese face,
// the size the window's captions and labels are laid out for.
QFont uiFont();

} // namespace quorvane::ui
