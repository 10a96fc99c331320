#include "quorvane/win/open_windows.h"

#include <windows.h>

namespace quorvane::win {

int OpenWindows::s_count = 0;

void OpenWindows::opened() {
    ++s_count;
}

void OpenWindows::closed() {
    if (--s_count == 0) {
        PostQuitMessage(0);
    }
}

} // namespace quorvane::win
