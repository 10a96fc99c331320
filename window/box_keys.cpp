#include "quorvane/window/box_keys.h"

namespace quorvane::window {
namespace {

constexpr BoxMenuItem kMenu[] = {
    {"コピー(&C)", BoxCommand::Copy, false},
    {"すべて選択(&A)", BoxCommand::SelectAll, true},
};

std::optional<CaretMove> caretMove(BoxKey key, bool control) {
    switch (key) {
    case BoxKey::Left:
        return control ? CaretMove::WordLeft : CaretMove::CharacterLeft;
    case BoxKey::Right:
        return control ? CaretMove::WordRight : CaretMove::CharacterRight;
    case BoxKey::Up:
        return CaretMove::LineUp;
    case BoxKey::Down:
        return CaretMove::LineDown;
    case BoxKey::PageUp:
        return CaretMove::PageUp;
    case BoxKey::PageDown:
        return CaretMove::PageDown;
    case BoxKey::Home:
        return control ? CaretMove::DocumentStart : CaretMove::LineStart;
    case BoxKey::End:
        return control ? CaretMove::DocumentEnd : CaretMove::LineEnd;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<BoxAction> boxKeyAction(BoxKey key, bool control, bool shift) {
    if (control && key == BoxKey::A) {
        return BoxAction{BoxCommand::SelectAll};
    }
    if (control && (key == BoxKey::C || key == BoxKey::Insert)) {
        return BoxAction{BoxCommand::Copy};
    }
    const std::optional<CaretMove> move = caretMove(key, control);
    if (!move) {
        return std::nullopt;
    }
    const int pages = key == BoxKey::PageUp ? -1 : key == BoxKey::PageDown ? 1 : 0;
    return BoxAction{BoxCommand::Move, *move, shift, pages};
}

std::span<const BoxMenuItem> boxMenu() {
    return kMenu;
}

bool boxMenuEnabled(BoxCommand command, bool hasSelection, bool hasText) {
    return command == BoxCommand::Copy ? hasSelection : hasText;
}

} // namespace quorvane::window
