# Helpers of run_e2e.sh: a private X session (Xvfb and openbox), the program
# under test, bounded waits, window and clipboard checks, pictures. Sourced;
# expects $outdir, $shotdir and $work to be set by the caller.

current_step="setting up"
wait_seconds=${QUORVANE_E2E_WAIT:-20}
xvfb_pid=
wm_pid=
program_pid=
program_status=
clip_pids=()

require_x_tools() {
  local tool missing=()
  for tool in Xvfb openbox xdotool xclip xprop xwininfo import iconv; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "e2e: SKIPPED, missing X tools: ${missing[*]} (scripts/install-deps installs them)"
    exit 77
  fi
}

step() {
  current_step=$1
  echo "e2e: [$((SECONDS - started)) s] $1"
}

# Names the step, keeps a picture of the whole screen and the program's log.
fail() {
  echo "e2e: FAILED at step '$current_step': $*" >&2
  if [ -n "${DISPLAY:-}" ] && [ -n "$xvfb_pid" ]; then
    local picture
    picture=$outdir/failure-$(printf '%s' "$current_step" | tr -cs 'A-Za-z0-9' '-' | sed 's/-$//').png
    if import -window root "$picture" 2>/dev/null; then
      echo "e2e: the screen at the failure: $picture" >&2
    fi
  fi
  if [ -n "${DISPLAY:-}" ] && [ -n "$xvfb_pid" ]; then
    echo "e2e: input focus $(xdotool getwindowfocus 2>&1), active window $(active_window)" >&2
    local window
    for window in $(program_windows); do
      echo "e2e: window $window \"$(xdotool getwindowname "$window")\"" \
        "$(xwininfo -id "$window" | grep -E 'geometry|Override' | tr -s ' \n' ' ')" >&2
    done
  fi
  if [ -s "$outdir/quorvane.log" ]; then
    echo "e2e: the program's output:" >&2
    tail -n 20 "$outdir/quorvane.log" >&2
  fi
  exit 1
}

# Runs the command every 50 ms until it succeeds, for at most $wait_seconds.
wait_until() {
  local deadline=$((SECONDS + wait_seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# The same for at most 3 s, for a step that may be tried again.
wait_briefly() {
  local wait_seconds=3
  wait_until "$@"
}

wait_for() {
  local what=$1
  shift
  wait_until "$@" || fail "waited ${wait_seconds} s for $what"
}

start_session() {
  step "start Xvfb and openbox"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset \
    3>"$work/display" >"$outdir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for "Xvfb to report its display" test -s "$work/display"
  export DISPLAY=:$(head -n 1 "$work/display")
  wait_for "Xvfb to take connections on $DISPLAY" xprop -root -len 0 WM_NAME >/dev/null 2>&1
  # Settings and caches of openbox and Qt stay in the scratch folder, so the
  # user's own do not change a run and a run changes none of them.
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
  export XDG_RUNTIME_DIR=$work/runtime
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  # Window titles are read and compared as UTF-8.
  export LC_ALL=C.UTF-8
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
  openbox --sm-disable >"$outdir/openbox.log" 2>&1 &
  wm_pid=$!
  wait_for "openbox to manage the screen" wm_running
}

wm_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# Starts the program with no arguments from the scratch folder, as a user
# would, and records its exit status when it ends.
start_program() {
  step "start the program"
  (
    cd "$work" || exit 1
    "$1" >"$outdir/quorvane.log" 2>&1 &
    echo $! >"$work/program.pid"
    wait $!
    echo $? >"$work/program.status"
  ) &
  wait_for "the program to start" test -s "$work/program.pid"
  program_pid=$(cat "$work/program.pid")
}

program_ended() {
  [ -s "$work/program.status" ] || return 1
  program_status=$(cat "$work/program.status")
}

end_session() {
  local status=$?
  local pid
  if [ -n "$program_pid" ] && ! program_ended; then
    kill "$program_pid" 2>/dev/null
    wait_seconds=5
    wait_until program_ended || kill -KILL "$program_pid" 2>/dev/null
  fi
  for pid in "${clip_pids[@]}" "$wm_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  wait 2>/dev/null
  rm -rf "$work"
  exit "$status"
}

active_window() {
  xdotool getactivewindow 2>/dev/null
}

active_is() {
  [ "$(active_window)" = "$1" ]
}

active_title_is() {
  local window
  window=$(active_window) || return 1
  [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$1" ]
}

program_windows() {
  xdotool search --onlyvisible --class '^quorvane$' 2>/dev/null
}

count_titled() {
  local window count=0
  for window in $(program_windows); do
    [ "$(xdotool getwindowname "$window")" = "$1" ] && count=$((count + 1))
  done
  echo "$count"
}

window_gone() {
  ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'
}

# Prints the width and height of a window's client area.
window_size() {
  local WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=')"
  echo "$WIDTH $HEIGHT"
}

# A drop-down menu is the program's one mapped window that bypasses the window
# manager (Qt marks it as a drop-down only the first time it is shown).
menu_open() {
  local window
  for window in $(program_windows); do
    xwininfo -id "$window" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
  done
  return 1
}

# Alt and the menu's key, then the item's key once the menu is open. Right
# after a modal dialog closes, Qt under heavy load sometimes drops the Alt key
# or closes the menu again while the focus settles; the keys are then pressed
# again, at most three times, and the run says so.
choose_in_menu() {
  local try
  for try in 1 2 3; do
    xdotool key "alt+$1"
    if wait_briefly menu_open; then
      xdotool key "$2"
      return 0
    fi
    echo "e2e: note: the menu of Alt+$1 did not open, pressing the keys again" >&2
  done
  fail "the menu of Alt+$1 did not open"
}

# Clicks a point given in pixels from the top left of the client area,
# below the menu bar.
click_client() {
  xdotool mousemove --window "$1" "$2" $(($3 + menu_height)) click 1
}

# A fingerprint of what the screen shows in a rectangle of the main window's
# client area (x y width height, in pixels below the menu bar).
area_print() {
  import -window "$main" -crop "${3}x${4}+${1}+$(($2 + menu_height))" +repage rgb:- 2>/dev/null |
    md5sum
}

remember_area() {
  area_before=$(area_print "$@")
}

area_changed() {
  [ "$(area_print "$@")" != "$area_before" ]
}

move_pointer_away() {
  xdotool mousemove 0 0
}

clipboard_is() {
  xclip -o -selection clipboard -t UTF8_STRING >"$work/clipboard" 2>/dev/null &&
    cmp -s "$work/clipboard" "$1"
}

# Another program takes the clipboard, so that only a new copy can make it
# hold the table again.
take_clipboard() {
  printf 'e2e' >"$work/sentinel"
  xclip -i -quiet -selection clipboard "$work/sentinel" >/dev/null 2>&1 &
  clip_pids+=($!)
  wait_for "xclip to own the clipboard" clipboard_is "$work/sentinel"
}

# Alt+E, C, then the clipboard must hold exactly the expected bytes. The
# focus is first put into the read-only output box, where a key that misses
# the menu changes nothing.
copy_with_menu() {
  take_clipboard
  click_client "$main" "${output_box[@]}"
  local try
  for try in 1 2 3; do
    choose_in_menu e c
    wait_briefly clipboard_is "$1" && return 0
    echo "e2e: note: nothing copied, choosing the menu item again" >&2
  done
  if ! wait_until clipboard_is "$1"; then
    cp "$1" "$outdir/clipboard-expected.txt"
    cp "$work/clipboard" "$outdir/clipboard-found.txt"
    echo "e2e: the first differing byte of clipboard-found.txt and clipboard-expected.txt:" >&2
    cmp "$outdir/clipboard-found.txt" "$outdir/clipboard-expected.txt" >&2
    fail "the clipboard does not hold the expected text"
  fi
}

# With a picture folder, saves the window once two grabs in a row agree,
# so the picture is not taken halfway through a repaint.
shoot() {
  [ -n "$shotdir" ] || return 0
  local grab=(import -window "$1" -define png:exclude-chunks=date,time,tEXt,zTXt)
  "${grab[@]}" "$work/shot-a.png" || fail "cannot grab window $1"
  local deadline=$((SECONDS + wait_seconds))
  while "${grab[@]}" "$work/shot-b.png" && ! cmp -s "$work/shot-a.png" "$work/shot-b.png"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the picture of window $1 does not settle"
    mv "$work/shot-b.png" "$work/shot-a.png"
  done
  mv "$work/shot-a.png" "$shotdir/$2"
  echo "e2e: wrote $shotdir/$2"
}
