#pragma once

#include "quorvane/window/text_cursor.h"

#include <optional>
#include <span>
#include <string_view>

namespace quorvane::window {

// The keys the output box answers, as each face names them.
enum class BoxKey { Left, Right, Up, Down, PageUp, PageDown, Home, End, A, C, Insert, Other };

// What the output box does: move the caret (extending the selection or not),
// select everything, or copy the selection.
enum class BoxCommand { Move, SelectAll, Copy };

struct BoxAction {
    BoxCommand command = BoxCommand::Move;
    CaretMove move = CaretMove::CharacterLeft;
    bool extend = false;
    // Pages the view scrolls before the caret moves: -1 up, 1 down.
    int scrollPages = 0;
};

// The output box's one key map: Ctrl+A selects all, Ctrl+C and Ctrl+Insert
// copy; the arrows, Home, End and the page keys move the caret, Ctrl by words
// and to the ends of the text, Shift extending the selection. Nothing for a
// key it does not take: typing changes nothing.
std::optional<BoxAction> boxKeyAction(BoxKey key, bool control, bool shift);

// Its context menu, top to bottom: a separator before an item where asked.
struct BoxMenuItem {
    std::string_view caption;
    BoxCommand command;
    bool separatorBefore;
};
std::span<const BoxMenuItem> boxMenu();
// Copy needs a selection, select-all a text.
bool boxMenuEnabled(BoxCommand command, bool hasSelection, bool hasText);

} // namespace quorvane::window
