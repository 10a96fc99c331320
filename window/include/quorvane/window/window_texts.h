#pragma once

#include <string_view>

namespace quorvane::window {

// The one message every failure of a command gives, and its title.
inline constexpr std::string_view kFailureText = "未知のエラーが発生しました。";
inline constexpr std::string_view kFailureTitle = "ぽるめに";
// The title of a table shown as a page before any file was converted.
inline constexpr std::string_view kDocumentTitle = "テーブル";
// The question for the <table> tag's attribute.
inline constexpr std::string_view kTableAttributeTitle = "tableタグの属性";
inline constexpr std::string_view kTableAttributePrompt = "<table>タグに入れる属性：";
// The save dialog's title.
inline constexpr std::string_view kSaveTitle = "名前を付けて保存";
// The progress window's cancel button.
inline constexpr std::string_view kCancelCaption = "キャンセル";

// A conversion that runs longer than this shows the progress window, whose
// bar then follows the reading every poll, in thousandths of the file, so
// that files past 2 GB fit a bar's range.
inline constexpr int kProgressDelayMilliseconds = 500;
inline constexpr int kProgressPollMilliseconds = 50;
inline constexpr int kProgressBarSteps = 1000;

} // namespace quorvane::window
