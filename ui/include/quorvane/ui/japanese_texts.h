#pragma once

class QCoreApplication;

namespace quorvane::ui {

// Qt's own texts (the file dialog's title and buttons, the context menus of
// its widgets) in Japanese, like the rest of the program, whatever the
// desktop's language. Returns false when Qt's Japanese translation is not
// installed; the program then runs with Qt's English texts.
bool useJapaneseQtTexts(QCoreApplication& app);

} // namespace quorvane::ui
