#!/usr/bin/env bash
# Drives the real window program in a virtual X session the way a user does:
# keys and mouse clicks through xdotool, the clipboard read back with xclip.
#
#   run_e2e.sh PROGRAM TAG_PROGRAM OUTDIR
#
# The copied table must equal TAG_PROGRAM's output byte for byte. Logs go to
# OUTDIR, and on a failure a picture of the screen.
# Exit status: 0 passed, 1 failed (the step is named), 77 a tool is missing.
set -uo pipefail
# shellcheck source=tests/support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
require_tools Xvfb openbox xdotool xclip xprop xwininfo import iconv
mkdir -p "$3" && work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-e2e.XXXXXX") || exit 1
trap end_session EXIT
outdir=$(realpath "$3")

# Points in pixels from the top left of the client area, 610 pixels square
# below the menu bar; a rectangle is x y width height.
count_up_arrow=(221 40) field_up_arrow=(221 117) output_box=(300 460)
field_spinner=(203 112 37 22) style_list=(161 196 421 109) attribute='align="right"'

window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep 'IsViewable' >/dev/null; }
click_client() { xdotool mousemove --window "$main" "$1" $(($2 + menu_height)) click 1; }

# A drop-down menu is the program's one mapped window that bypasses the
# window manager. Checks that read a pipe use grep without -q: under pipefail,
# a writer cut off by an early match would fail the check.
menu_open() {
  for window in $(xdotool search --onlyvisible --class '^quorvane$'); do xwininfo -id "$window"; done |
    grep 'Override Redirect State: yes' >/dev/null
}

# Alt and the menu's key, then the item's key once the menu is open. Right
# after a modal dialog closes, Qt under load may drop the Alt key while the
# focus settles; the keys are then pressed again, at most three times.
choose_in_menu() {
  for _ in 1 2 3; do
    xdotool key "alt+$1"
    wait_seconds=3 wait_until menu_open && { xdotool key "$2"; return; }
  done
  fail "the menu of Alt+$1 did not open"
}

# Waits for a rectangle of the client area to show something else after the
# keys are pressed.
keys_change_area() {
  before=$(area_print "${@:2}")
  xdotool key "$1"
  wait_for "keys $1 to change the window" area_changed "$before" "${@:2}"
}
area_print() { import -window "$main" -crop "$3x$4+$1+$(($2 + menu_height))" rgb:- | md5sum; }
area_changed() { [ "$(area_print "${@:2}")" != "$1" ]; }
clipboard_is() {
  xclip -o -selection clipboard -t UTF8_STRING >"$work/clipboard" 2>/dev/null &&
    cmp -s "$work/clipboard" "$1"
}

# Another program takes the clipboard first, so that only a new copy can put
# the table there; the focus goes to the read-only output box, where a key
# that misses the menu changes nothing. Then Alt+E, C.
copy_with_menu() {
  echo e2e >"$work/sentinel"
  xclip -i -quiet -selection clipboard "$work/sentinel" >/dev/null 2>&1 &
  session_pids+=($!)
  wait_for "xclip to own the clipboard" clipboard_is "$work/sentinel"
  click_client "${output_box[@]}"
  for _ in 1 2 3; do
    choose_in_menu e c
    wait_seconds=3 wait_until clipboard_is "$work/expected" && return
  done
  fail "the clipboard differs: $(cmp "$work/clipboard" "$work/expected" 2>&1)"
}

# Alt+F, O, a path typed into the file dialog, Enter.
open_path() {
  choose_in_menu f o
  wait_for "the file dialog" active_title_is "開く"
  dialog=$(active_window)
  xdotool key ctrl+a && xdotool type --delay 10 "$1" && xdotool key Return
  wait_for "the file dialog to close" window_gone "$dialog"
}

# A quoted field with a comma, ① (only in code page 932), half-width
# katakana and a short last row.
step "make the code page 932 file and what quorvane-tag makes of it"
printf '%s\r\n' '品名,価格,産地' '"りんご, ふじ",98,青森県' '①ﾐｶﾝ,120,愛媛県' '抹茶' |
  iconv -f UTF-8 -t CP932 >"$work/shohin.csv" || fail "iconv could not write code page 932"
"$(realpath "$2")" -n 3 -a "2=$attribute" "$work/shohin.csv" >"$work/expected" ||
  fail "quorvane-tag failed"

start_session
start_program "$(realpath "$1")"
wait_for "the main window titled Quorvane" active_title_is "Quorvane"
main=$(active_window)
menu_height=$(($(xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p') - 610))

step "the field count is turned to 3, by Up on the spinner that has the focus at start and by the mouse, and confirmed with Alt+K"
xdotool key Up
click_client "${count_up_arrow[@]}"
keys_change_area alt+k "${field_spinner[@]}"

step "the confirmed count's spinner is disabled: a click on it changes nothing"
click_client "${count_up_arrow[@]}"

step "field 2 gets an attribute: spinner, editor (which has the focus), Alt+I"
click_client "${field_up_arrow[@]}"
xdotool type --delay 20 "$attribute"
keys_change_area alt+i "${style_list[@]}"

step "the file typed into the file dialog is converted; Alt+E, C copies it exactly"
open_path "$work/shohin.csv"
wait_for "the main window to be active again" active_is "$main"
copy_with_menu

step "a missing file gives one message box and leaves the table"
open_path "$work/nai.csv"
wait_for "the message box titled ぽるめに" active_title_is "ぽるめに"
xdotool key Return
wait_for "the main window to be active again" active_is "$main"
copy_with_menu

step "Alt+F, X ends the program with status 0"
choose_in_menu f x
expect_exit_0
