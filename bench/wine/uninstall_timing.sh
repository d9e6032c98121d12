#!/usr/bin/env bash
# The uninstaller under Wine, timed: its start to its main window against the bench's minimal
# Win32 program in the same prefix (alternating, median of several runs each), then the whole
# press on the end-to-end bench's complete fake installation with the audit variant, whose own
# report gives the time it waited (pauses, children, message loop) against its run time.
# Prints "figure: ..." lines; run by scripts/bench after the windows preset is built.
#
#   bash bench/wine/uninstall_timing.sh start-up|press
#
# Each part lays out its own prefix, so scripts/bench can try a press again on its own when the
# desktop loses a key press under load.
#
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote.
# UNINSTALLER_EXE and full_title belong to full_uninstall.sh (what it lays out, what it looks for);
# sed expressions and the polled condition are in single quotes on purpose.
# shellcheck source-path=SCRIPTDIR disable=SC1003,SC2016,SC2034,SC2154
set -euo pipefail
part=${1:?start-up or press}
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
repo=$(cd "$here/../.." && pwd)
# shellcheck source=../../tests/e2e/lib/bench.sh
source "$repo/tests/e2e/lib/bench.sh"
# shellcheck source=../../tests/e2e/lib/full_uninstall.sh
source "$repo/tests/e2e/lib/full_uninstall.sh"
# shellcheck source=timing_figures.sh
source "$here/timing_figures.sh"

: "${BENCH_RUNS:=5}"
: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/bench}"
: "${VELMAR_DIST_DIR:=$BENCH_BUILD_DIR/dist}"
: "${SHIPPED_EXE:=$VELMAR_DIST_DIR/VelmarUninstall3xandUp.exe}"
: "${AUDIT_EXE:=$BENCH_BUILD_DIR/audit/VelmarUninstall3xandUp.exe}"
: "${MINIMAL_EXE:=$BENCH_BUILD_DIR/bench/wine/bench_minimal_window.exe}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
: "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
: "${PELLET_STANDIN_DIR:=$BENCH_BUILD_DIR/e2e/pellet}"
UNINSTALLER_EXE=$SHIPPED_EXE
for file in "$SHIPPED_EXE" "$AUDIT_EXE" "$MINIMAL_EXE" "$FAKESVC_EXE" "$SMOKEBOX_EXE" \
  "$VELMAR_DIST_DIR/PelletSetup.exe" "$PELLET_STANDIN_DIR/TAPI32.DLL"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

minimal_title="Velmar bench minimal window"
program='C:\Tools\VelmarUninstall3xandUp.exe'
minimal='C:\Tools\bench_minimal_window.exe'

figure() { printf 'figure: %s\n' "$*"; }

# window_up TITLE: whether a visible window with exactly that title is there now.
window_up() {
  local pattern
  pattern=$(printf '%s' "$1" | sed 's/[][\.*^$(){}?+|/]/\\&/g')
  _bench_find_window "$1" "^$pattern\$"
}

# time_to_window TAG PROGRAM TITLE: starts the program, polls every 20 ms (deadline 60 s) for its
# window and keeps the milliseconds from the start in WINDOW_MS; then ends the program.
time_to_window() {
  local tag=$1 path=$2 title=$3 started deadline
  started=$(_bench_now_ms)
  deadline=$((started + 60000))
  bench_start "$tag" "$path"
  until window_up "$title"; do
    [ "$(_bench_now_ms)" -lt "$deadline" ] || bench_die "no window '$title' from $path within 60 s"
    sleep 0.02
  done
  WINDOW_MS=$(($(_bench_now_ms) - started))
  # Ended at once, its end reaped here so that the shell's notice of the kill goes nowhere.
  kill -KILL "${BENCH_PIDS[$tag]}" 2>/dev/null || true
  { wait "${BENCH_PIDS[$tag]}"; } 2>/dev/null || true
  BENCH_EXIT[$tag]=killed
  bench_poll 10 eval '! window_up "$title"' || bench_die "the window of $path stayed"
}

# start_up: start to the main window, alternating with the minimal program.
start_up() {
  # One unmeasured start of each first: the first start of a program in a prefix loads its files.
  time_to_window warm-minimal "$minimal" "$minimal_title"
  time_to_window warm-uninstaller "$program" "$full_title"
  local minimal_runs="" uninstaller_runs="" run minimal_ms uninstaller_ms
  for ((run = 1; run <= BENCH_RUNS; run++)); do
    time_to_window "minimal-$run" "$minimal" "$minimal_title"
    minimal_runs+=" $WINDOW_MS"
    time_to_window "uninstaller-$run" "$program" "$full_title"
    uninstaller_runs+=" $WINDOW_MS"
  done
  minimal_ms=$(median <<<"$minimal_runs")
  uninstaller_ms=$(median <<<"$uninstaller_runs")
  figure "wine start to window: minimal program median $minimal_ms ms (runs:$minimal_runs)"
  figure "wine start to window: uninstaller median $uninstaller_ms ms (runs:$uninstaller_runs)"
  figure "wine start to window: uninstaller / minimal = $(ratio "$uninstaller_ms" "$minimal_ms")"
}

# window_sampler: every 20 ms, the time and how many of the uninstaller's windows are up (its
# main window and its boxes share the title), while this shell lives, for at most 5 minutes.
window_sampler() {
  local deadline=$(($(_bench_now_ms) + 300000)) now
  while kill -0 "$$" 2>/dev/null; do
    now=$(_bench_now_ms)
    [ "$now" -lt "$deadline" ] || return 0
    printf '%s %s\n' "$now" \
      "$(xdotool search --onlyvisible --name "^$full_title\$" 2>/dev/null | wc -l)"
    sleep 0.02
  done
}

# press: the whole press with the audit variant, which reports the time it waited (pauses,
# children, message loop) against its run time. Measured in the same run besides: the time it
# stood waiting for the user (main window before the press, the boxes), sampled from the
# display, and the time it spent starting its children, from Wine's process trace.
press() {
  local pressed wall_ms sampler samples report
  bench_copy_in "$AUDIT_EXE" "$program"
  samples=$BENCH_LOG_DIR/windows.txt
  window_sampler >"$samples" &
  sampler=$!
  pressed=$(_bench_now_ms)
  BENCH_WINEDEBUG="+timestamp,+process" full_press
  wall_ms=$(($(_bench_now_ms) - pressed))
  kill "$sampler" 2>/dev/null || true
  wait "$sampler" 2>/dev/null || true
  bench_expect_eq "exit code" 0 "${BENCH_EXIT[uninstall]}"
  report=$(tr -d '\r' <"$(bench_unix_path 'C:\VelmarUninstall.audit.txt')" 2>/dev/null || true)
  printf '%s\n' "$report" >"$BENCH_LOG_DIR/VelmarUninstall.audit.txt"
  cp "$(bench_unix_path 'C:\VelmarUninstall.log')" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null ||
    true
  press_figures "$report" "$samples" "$pressed" "$wall_ms"
}

# press_figures REPORT SAMPLES PRESSED WALL_MS: the press's figures from the audit's report, the
# window samples (from PRESSED on) and the process trace.
press_figures() {
  local report=$1 samples=$2 pressed=$3 wall_ms=$4
  local waited waited_ms run_ms user starting starts started_up own_ms waits_ms
  waited=$(sed -n 's/^audit: waited \([0-9]*\) ms of \([0-9]*\) ms$/\1 \2/p' <<<"$report")
  [ -n "$waited" ] || bench_die "the audit variant reported no waits: $report"
  read -r waited_ms run_ms <<<"$waited"
  user=$(user_ms "$samples")
  read -r starting starts <<<"$(starting_ms "$BENCH_LOG_DIR/uninstall.err")"
  started_up=$(first_window_ms "$samples" "$pressed")
  own_ms=$((run_ms - waited_ms - user - starting))
  waits_ms=$((waited_ms + starting))
  figure "wine whole press: wall $wall_ms ms from start to exit (script), run $run_ms ms (program)"
  figure "wine whole press: waited $waited_ms ms; $(sed -n 's/^audit: waits //p' <<<"$report")"
  figure "wine whole press: on the user (main window before the press, boxes up) $user ms"
  figure "wine whole press: starting $starts children $starting ms"
  figure "wine whole press: own time (run - waits - user - starting) $own_ms ms" \
    "= $(percent "$own_ms" "$waits_ms")% of the waits and starts"
  figure "wine whole press: of the own time, $started_up ms from the start to the main window," \
    "$((own_ms - started_up)) ms in the press" \
    "($(percent "$((own_ms - started_up))" "$waits_ms")% of the waits and starts)"
  figure "wine whole press: run less the user's time =" \
    "$(ratio "$((run_ms - user))" "$waits_ms" 3) x the waits and starts"
}

bench_begin "${BENCH_TEST_NAME:-bench.wine_$part}"
bench_xvfb_start
bench_prefix_new
full_lay_out
bench_copy_in "$MINIMAL_EXE" "$minimal"
full_start_programs
case $part in
  start-up) start_up ;;
  press) press ;;
  *) bench_die "unknown part '$part' (start-up or press)" ;;
esac
bench_finish
