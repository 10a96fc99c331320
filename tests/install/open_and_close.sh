#!/usr/bin/env bash
# Starts the window program in a private X session, waits for its main window
# and presses Alt+F4, which the window manager turns into the request its
# close box makes; the program must then end by itself with status 0.
#
#   open_and_close.sh PROGRAM OUTDIR
set -uo pipefail
program=$1 outdir=$2
# shellcheck source=tests/support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
require_tools Xvfb openbox xdotool xprop
mkdir -p "$outdir" && work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-window.XXXXXX") || exit 1
trap end_session EXIT
start_session
start_program "$program"
wait_for "the main window titled Quorvane" active_title_is "Quorvane"
step "Alt+F4 closes the main window"
xdotool key alt+F4
expect_exit_0
