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
menu_open() { menus_open "${1:-1}"; }
menus_open() {
  [ "$(for window in $(xdotool search --onlyvisible --class '^quorvane$'); do
    xwininfo -id "$window"; done | grep -c 'Override Redirect State: yes')" -ge "$1" ]
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
open_path() { type_into_dialog f o "開く" "$1"; }

# The menu's keys, then a path typed into the dialog titled $3, Enter.
type_into_dialog() {
  choose_in_menu "$1" "$2"
  wait_for "the dialog titled $3" active_title_is "$3"
  dialog=$(active_window)
  xdotool key ctrl+a && xdotool type --delay 10 "$4" && xdotool key Return
  wait_for "the dialog to close" window_gone "$dialog"
}

# Alt+T, the submenu's key and, once the submenu is open beside the menu,
# the choice's key.
choose_in_submenu() {
  choose_in_menu t "$1"
  wait_for "the submenu of $1" menus_open 2
  xdotool key "$2"
  wait_for "the menus to close" eval '! menu_open'
}

saved_is() { [ -f "$1" ] && cmp -s "$1" "$2"; }

# The desktop's handler for HTML files is one that keeps a copy of the page
# it is given. (The settings go to the session's own $HOME.)
mkdir -p "$work/bin"
printf '#!/bin/sh\npath=${1#file://}\ncp "$path" "%s/opened.html"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

start_session
start_program "$(realpath "$1")"
wait_for "the main window titled Quorvane" active_title_is "Quorvane"
main=$(active_window)
menu_height=$(($(xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p') - 610))

step "the field count is turned to 3, by Up on the spinner that has the focus at start and by the mouse, and confirmed with Alt+K"
xdotool key Up
click_client "${count_up_arrow[@]}"
keys_change_area alt+k "${field_spinner[@]}"

step "field 2 gets an attribute: spinner, editor (which has the focus), Alt+I"
click_client "${field_up_arrow[@]}"
xdotool type --delay 20 "$attribute"
keys_change_area alt+i "${style_list[@]}"

step "a missing file gives the message box"
open_path "$work/nai.csv"
wait_for "the message box titled ぽるめに" active_title_is "ぽるめに"
xdotool key Return
wait_for "the main window to be active again" active_is "$main"

# Code page 932 text, a field with markup, ① (only in code page 932) and
# half-width katakana, a short last row.
step "options from the keyboard: the first row as <th>, escaping, the tab delimiter, a table attribute"
printf '%s\r\n' $'品名\t価格\t産地' $'a<b\t98\t青森県' $'①ﾐｶﾝ' |
  iconv -f UTF-8 -t CP932 >"$work/list.csv" || fail "iconv could not write code page 932"
flags=(-n 3 -a "2=$attribute" --header --escape -d tab --table-attr 'class="list"')
"$(realpath "$2")" "${flags[@]}" "$work/list.csv" >"$work/expected" || fail "quorvane-tag failed"
choose_in_menu t h
choose_in_menu t e
choose_in_submenu d t
choose_in_menu t a
wait_for "the table attribute question" active_title_is "tableタグの属性"
xdotool key ctrl+a && xdotool type --delay 10 'class="list"' && xdotool key Return
wait_for "the main window to be active again" active_is "$main"
open_path "$work/list.csv"
wait_for "the main window to be active again" active_is "$main"
copy_with_menu

step "saved through the save dialog"
type_into_dialog f a "名前を付けて保存" "$work/saved.html"
wait_for "the saved file" saved_is "$work/saved.html" "$work/expected"

step "the table as a page: the desktop's handler gets quorvane-tag's document of the file"
(tag=$(realpath "$2") && cd "$work" && "$tag" "${flags[@]}" --document list.csv) >"$work/page.html" ||
  fail "quorvane-tag failed"
choose_in_menu f b
wait_for "the handler to be given the page" saved_is "$work/opened.html" "$work/page.html"

step "Alt+F, X ends the program with status 0"
choose_in_menu f x
expect_exit_0

step "started again: the options are remembered, the count starts at 1"
rm -f "$work/program.status"
start_program "$(realpath "$1")"
wait_for "the main window titled Quorvane" active_title_is "Quorvane"
main=$(active_window)
"$(realpath "$2")" -n 1 --header --escape -d tab --table-attr 'class="list"' "$work/list.csv" \
  >"$work/expected" || fail "quorvane-tag failed"
open_path "$work/list.csv"
wait_for "the main window to be active again" active_is "$main"
copy_with_menu
choose_in_menu f x
expect_exit_0
