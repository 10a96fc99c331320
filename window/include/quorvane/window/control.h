#pragma once

namespace quorvane::window {

// The main window's controls that the window's behaviour changes.
enum class Control {
    Frame2,
    TxtDataCnt,
    UpDown1,
    CmdDataCntOK,
    CmdDataCntCancel,
    TxtFeeld,
    UpDown2,
    TxtStyle,
    LstStyle,
};

} // namespace quorvane::window
