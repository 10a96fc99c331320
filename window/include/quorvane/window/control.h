#pragma once

namespace quorvane::window {

// The main window's controls, each named as the window names it.
enum class Control {
    CmdCopy,
    Frame2,
    UpDown2,
    CmdHanei,
    TxtFeeld,
    TxtStyle,
    LstStyle,
    Label3,
    Label2,
    Frame1,
    CmdDataCntCancel,
    CmdDataCntOK,
    TxtDataCnt,
    UpDown1,
    Label1,
    TxtTag,
    CmdFileOpen,
    Line2,
    Line1,
};

} // namespace quorvane::window
