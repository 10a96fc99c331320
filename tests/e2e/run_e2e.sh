#!/usr/bin/env bash
# Drives the real window program in a virtual X session the way a user does:
# keys and mouse clicks through xdotool, the clipboard read back with xclip.
#
#   run_e2e.sh PROGRAM TAG_PROGRAM OUTDIR [SHOTDIR]
#
# PROGRAM is the window program, TAG_PROGRAM the command-line converter whose
# output the copied table must equal byte for byte. Logs go to OUTDIR, and on
# a failure a picture of the whole screen. With SHOTDIR the run also writes
# the README pictures there: start-up.png, editing.png, about.png.
#
# Exit status: 0 passed, 1 failed (the failing step is named), 77 skipped
# because an X tool is missing.
set -uo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 PROGRAM TAG_PROGRAM OUTDIR [SHOTDIR]" >&2
  exit 2
fi
program=$(realpath "$1")
tag_program=$(realpath "$2")
outdir=$3
shotdir=${4:-}

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/x_session.sh
source "$here/x_session.sh"

require_x_tools
mkdir -p "$outdir" || exit 1
outdir=$(realpath "$outdir")
if [ -n "$shotdir" ]; then
  mkdir -p "$shotdir" && shotdir=$(realpath "$shotdir") || exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-e2e.XXXXXX") || exit 1
trap end_session EXIT
rm -f "$outdir"/failure-*.png "$outdir"/clipboard-*.txt
started=$SECONDS

# The client area is 9150 twips square, 610 pixels at 96 dpi; the menu bar
# sits above it. Points are in pixels from the client area's top left.
client_size=610
count_up_arrow=(221 40)       # upper half of UpDown1, in Frame1
field_up_arrow=(221 117)      # upper half of UpDown2, in Frame2
output_box=(300 460)          # inside TxtTag
field_spinner=(203 112 37 22) # all of UpDown2: x y width height
style_list=(161 196 421 109)  # all of LstStyle
attribute='align="right"'
missing_name=nai.csv

# A code page 932 file: a quoted field with a comma, a character that only
# code page 932 has (①), half-width katakana, and a short last row.
step "make the code page 932 file"
csv=$work/shohin.csv
printf '%s\r\n' '品名,価格,産地' '"りんご, ふじ",98,青森県' '①ﾐｶﾝ,120,愛媛県' '抹茶' |
  iconv -f UTF-8 -t CP932 >"$csv" || fail "iconv could not write code page 932"
"$tag_program" -n 3 -a "2=$attribute" "$csv" >"$work/expected" ||
  fail "quorvane-tag could not convert $csv"
: >"$work/empty"

# Alt+F, O, and the dialog comes up in front.
open_file_dialog() {
  choose_in_menu f o
  wait_for "the file dialog" active_title_is "開く"
  dialog=$(active_window)
}

# Replaces the name in the dialog with a path and presses Enter.
type_path() {
  xdotool key ctrl+a
  xdotool type --delay 10 "$1"
  xdotool key Return
  wait_for "the file dialog to close" window_gone "$dialog"
}

back_to_main() {
  wait_for "the main window to be active again" active_is "$main"
}

start_session
start_program "$program"

step "the main window comes up titled Quorvane"
wait_for "an active window titled Quorvane" active_title_is "Quorvane"
main=$(active_window)
read -r main_width main_height < <(window_size "$main")
[ "$main_width" -eq "$client_size" ] ||
  fail "the window is $main_width pixels wide, not $client_size"
menu_height=$((main_height - client_size))
[ "$menu_height" -gt 0 ] || fail "no menu bar above the client area"

step "start-up state: the output box is empty"
shoot "$main" start-up.png
copy_with_menu "$work/empty"

step "the field count is turned to 3 with the mouse and confirmed with Alt+K"
click_client "$main" "${count_up_arrow[@]}"
click_client "$main" "${count_up_arrow[@]}"
# Access keys press their button and let it go a moment later, as a click.
remember_area "${field_spinner[@]}"
xdotool key alt+k
wait_for "the attribute group to be shown" area_changed "${field_spinner[@]}"

step "field 2 gets an attribute: spinner, editor, reflect button"
# Turning the field spinner moves the focus into the attribute editor.
click_client "$main" "${field_up_arrow[@]}"
xdotool type --delay 20 "$attribute"
remember_area "${style_list[@]}"
xdotool key alt+i
wait_for "the attribute to show in the list" area_changed "${style_list[@]}"

step "Alt+F, O opens the file dialog; the typed path is converted"
open_file_dialog
type_path "$csv"
back_to_main
move_pointer_away
shoot "$main" editing.png

step "Alt+E, C copies the table exactly as quorvane-tag writes it"
copy_with_menu "$work/expected"

step "a cancelled file dialog leaves the table"
open_file_dialog
xdotool key Escape
wait_for "the file dialog to close" window_gone "$dialog"
back_to_main
copy_with_menu "$work/expected"

step "a missing file gives the message box and leaves the table"
open_file_dialog
type_path "$work/$missing_name"
wait_for "the message box titled ぽるめに" active_title_is "ぽるめに"
message=$(active_window)
xdotool key Return
wait_for "the message box to close" window_gone "$message"
back_to_main
copy_with_menu "$work/expected"

step "Alt+V opens the About window"
xdotool key alt+v
wait_for "the About window" active_title_is "Quorvaneのﾊﾞｰｼﾞｮﾝ情報"
about=$(active_window)
move_pointer_away
shoot "$about" about.png

step "Alt+V again from the main window brings back the same About window"
click_client "$main" "${output_box[@]}"
back_to_main
xdotool key alt+v
wait_for "the About window in front" active_is "$about"
[ "$(count_titled "Quorvaneのﾊﾞｰｼﾞｮﾝ情報")" -eq 1 ] || fail "a second About window opened"

step "Esc closes the About window"
xdotool key Escape
wait_for "the About window to close" window_gone "$about"
back_to_main

step "Alt+F, X ends the program with status 0"
choose_in_menu f x
wait_for "the program to end" program_ended
[ "$program_status" -eq 0 ] || fail "the program exited with status $program_status"

echo "e2e: passed in $((SECONDS - started)) s"
