#!/usr/bin/env bash
# Checks scripts/wine-run, which every Windows unit test runs through: arguments reach the
# program intact, its exit code comes back, Wine adds nothing to the output unless asked, a
# program that tries to show a window fails at once instead of waiting for a click, and nothing
# is left behind: no prefix, no server directory, no process, nothing in the home directory.
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
: "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
[ -f "$SMOKEBOX_EXE" ] || bench_die "$SMOKEBOX_EXE is missing; build the windows preset first"
wine_run=$BENCH_REPO_DIR/scripts/wine-run

bench_begin "${BENCH_TEST_NAME:-e2e.wine_run}"
# A home and a temporary folder of its own show whatever wine-run leaves behind; the template
# cache stays where it is so the test does not have to make one.
home=$BENCH_WORK/home tmp=$BENCH_WORK/tmp answers="$BENCH_WORK/answer folder"
mkdir -p "$home" "$tmp" "$answers"
# A live display the program must not get: wine-run drops DISPLAY, else the message box would
# sit there until the deadline below.
bench_xvfb_start

# run_smokebox ARGS...: runs smokebox through wine-run, with WINEDEBUG=$RUN_WINEDEBUG if that
# is set, and prints the exit code.
run_smokebox() {
  local rc=0
  local -a debug=(-u WINEDEBUG)
  [ -z "${RUN_WINEDEBUG:-}" ] || debug=("WINEDEBUG=$RUN_WINEDEBUG")
  env "${debug[@]}" HOME="$home" TMPDIR="$tmp" BENCH_CACHE_DIR="$BENCH_CACHE_DIR" \
    timeout 30 "$wine_run" "$SMOKEBOX_EXE" "$@" \
    >"$BENCH_WORK/out" 2>"$BENCH_WORK/err" || rc=$?
  echo "$rc"
}

# smokebox writes its answer where its first argument says; wine-run keeps drive Z: (the Unix
# file system) so the test can pick a folder of its own, with a space in its name.
answer_file="$answers/first answer.txt"
bench_expect_eq "no window without a display: smokebox reports an error at once" 2 \
  "$(run_smokebox "Z:${answer_file//\//\\}" ignored)"
bench_expect_eq "the argument with a space arrived intact" "Error" \
  "$(tr -d '\r' 2>/dev/null <"$answer_file" || echo '<no file>')"
bench_expect_eq "nothing from Wine on standard error by default" "" "$(cat "$BENCH_WORK/err")"
bench_expect_eq "nothing on standard output" "" "$(cat "$BENCH_WORK/out")"

_run_processes() {
  grep -lsz "^TMPDIR=$tmp\$" /proc/[0-9]*/environ | sed 's|/proc/\([0-9]*\)/environ|\1|' | tr '\n' ' '
}
_no_run_process() { [ -z "$(_run_processes)" ]; }
# The run's watchdog notices the end of the run within a second.
bench_poll 10 _no_run_process || true
bench_expect_eq "no process of the run left" "" "$(_run_processes)"
bench_expect_eq "nothing left in the temporary folder" "" "$(ls -A "$tmp")"
bench_expect_eq "nothing written to the home folder" "" "$(ls -A "$home")"

# A caller's WINEDEBUG is kept; without a display Wine says why the window failed.
bench_expect_eq "exit code with Wine's diagnostics on" 2 \
  "$(RUN_WINEDEBUG=err+winediag run_smokebox "Z:${answers//\//\\}\\second.txt")"
bench_expect_match "Wine's diagnostic on standard error" \
  'err:winediag:nodrv_CreateWindow' "$(cat "$BENCH_WORK/err")"

bench_finish
