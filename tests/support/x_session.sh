# shellcheck shell=bash disable=SC2154
# Helpers for driving a program in a private X session (Xvfb and openbox):
# steps named in failures, bounded waits, the program's exit status. Sourced;
# the caller sets $outdir (logs, and a picture of the screen on a failure) and
# $work (a scratch folder, removed at the end).

current_step="setting up" wait_seconds=${QUORVANE_E2E_WAIT:-20} started=$SECONDS
program_pid='' session_pids=()

# Exits with 77, skipped, when one of the named tools is missing.
require_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIPPED, no $tool (see scripts/install-deps)"; exit 77; }
  done
}

step() { current_step=$1 && echo "[$((SECONDS - started)) s] $1"; }

# Names the step, keeps a picture of the screen and shows the program's log.
fail() {
  echo "FAILED at step '$current_step': $*" >&2
  [ ${#session_pids[@]} -gt 0 ] && import -window root "$outdir/failure.png" 2>/dev/null &&
    echo "the screen at the failure: $outdir/failure.png" >&2
  tail -n 20 "$outdir/program.log" >&2 2>/dev/null
  exit 1
}

# Runs the command every 50 ms until it succeeds, for at most $wait_seconds.
wait_until() {
  local deadline=$((SECONDS + wait_seconds))
  until "$@"; do ((SECONDS < deadline)) || return 1 && sleep 0.05; done
}

wait_for() { wait_until "${@:2}" || fail "waited $wait_seconds s for $1"; }

# Settings and caches of openbox and Qt stay in $work (in $HOME), so the user's own do
# not change a run and a run changes none of them. Titles compare as UTF-8.
start_session() {
  step "start Xvfb and openbox"
  rm -f "$outdir/failure.png"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset \
    3>"$work/display" >"$outdir/xvfb.log" 2>&1 &
  session_pids+=($!)
  wait_for "Xvfb to report its display" test -s "$work/display"
  DISPLAY=:$(head -n 1 "$work/display")
  export DISPLAY LC_ALL=C.UTF-8 HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY XDG_CONFIG_HOME XDG_CACHE_HOME
  mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
  openbox --sm-disable >"$outdir/openbox.log" 2>&1 &
  session_pids+=($!)
  wait_for "openbox to manage the screen" wm_running
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; }

# Starts the program with no arguments from $work, as a user would, and
# records its exit status when it ends.
start_program() {
  step "start $1"
  (cd "$work" && "$1" >"$outdir/program.log" 2>&1; echo $? >"$work/program.status") &
  program_pid=$!
}

program_ended() { [ -s "$work/program.status" ]; }

expect_exit_0() {
  wait_for "the program to end" program_ended
  [ "$(cat "$work/program.status")" = 0 ] || fail "exit status $(cat "$work/program.status")"
}

# An EXIT trap: ends what is still running and removes $work; the script's
# exit status stays.
end_session() {
  [ -n "$program_pid" ] && ! program_ended && pkill -P "$program_pid"
  kill "${session_pids[@]}" 2>/dev/null
  wait
  rm -rf "$work"
}

active_window() { xdotool getactivewindow 2>/dev/null; }
active_is() { [ "$(active_window)" = "$1" ]; }
active_title_is() { [ "$(xdotool getwindowname "$(active_window)" 2>/dev/null)" = "$1" ]; }
