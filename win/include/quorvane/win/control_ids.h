#pragma once

// The control ids of the Windows windows, named as the controls are named;
// tests and assistive tools find the controls by them (GetDlgItem). Controls
// inside a group frame are children of the window itself, as Windows draws
// group frames, so every id is unique within its window.
namespace quorvane::win::id {

// The main window, class kMainClass, title "Quorvane".
inline constexpr int CmdCopy = 1001;
inline constexpr int Frame2 = 1002;
inline constexpr int UpDown2 = 1003;
inline constexpr int CmdHanei = 1004;
inline constexpr int TxtFeeld = 1005;
inline constexpr int TxtStyle = 1006;
inline constexpr int LstStyle = 1007;
inline constexpr int Label3 = 1008;
inline constexpr int Label2 = 1009;
inline constexpr int Frame1 = 1010;
inline constexpr int CmdDataCntCancel = 1011;
inline constexpr int CmdDataCntOK = 1012;
inline constexpr int TxtDataCnt = 1013;
inline constexpr int UpDown1 = 1014;
inline constexpr int Label1 = 1015;
// The output box, class kTagBoxClass: WM_GETTEXTLENGTH and WM_GETTEXT give
// its whole text as UTF-16, CR LF as in the table.
inline constexpr int TxtTag = 1016;
inline constexpr int CmdFileOpen = 1017;
inline constexpr int Line2 = 1018;
inline constexpr int Line1 = 1019;

// The main window's menu items (WM_COMMAND ids).
inline constexpr int mnuCSV = 2001;
inline constexpr int mnuClose = 2002;
inline constexpr int mnuCopy = 2003;
inline constexpr int mnuVir = 2004;
inline constexpr int mnuSave = 2005;
inline constexpr int mnuBrowser = 2006;
inline constexpr int mnuHeader = 2007;
inline constexpr int mnuEscape = 2008;
inline constexpr int mnuTableAttr = 2009;
inline constexpr int mnuComma = 2010;
inline constexpr int mnuTab = 2011;
inline constexpr int mnuSemicolon = 2012;
inline constexpr int mnuBar = 2013;
inline constexpr int mnuAuto = 2014;
inline constexpr int mnuReadCp932 = 2015;
inline constexpr int mnuReadUtf8 = 2016;
inline constexpr int mnuReadUtf16 = 2017;
inline constexpr int mnuSaveUtf8 = 2018;
inline constexpr int mnuSaveCp932 = 2019;

// The About window, class kAboutClass, title "ﾊﾞｰｼﾞｮﾝ情報".
inline constexpr int Text1 = 3001;
inline constexpr int picIcon = 3002;
inline constexpr int cmdOK = 3003;
inline constexpr int AboutLabel1 = 3004;
inline constexpr int lblDescription = 3005;
inline constexpr int lblTitle = 3006;
inline constexpr int lblVersion = 3007;

// The progress window, class kProgressClass, owned by the main window.
inline constexpr int lblFile = 4001;
inline constexpr int barRead = 4002;
inline constexpr int CmdCancel = 4003;

// The question for the <table> tag's attribute, a dialog box (#32770)
// titled "tableタグの属性", owned by the main window. Its buttons carry the
// dialog manager's own ids, so that Enter presses OK and Esc キャンセル.
inline constexpr int lblTableAttr = 5001;
inline constexpr int TxtTableAttr = 5002;
inline constexpr int cmdAttrOK = 1;     // IDOK
inline constexpr int cmdAttrCancel = 2; // IDCANCEL

inline constexpr wchar_t kMainClass[] = L"QuorvaneTable";
inline constexpr wchar_t kTagBoxClass[] = L"QuorvaneTagBox";
inline constexpr wchar_t kAboutClass[] = L"QuorvaneAbout";
inline constexpr wchar_t kProgressClass[] = L"QuorvaneProgress";

} // namespace quorvane::win::id
