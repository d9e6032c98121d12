#!/usr/bin/env bash
# Checks the arithmetic behind the Wine figures on fixed inputs: the median of the runs, the time
# on the user from window samples and the time spent starting children from a process trace.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=timing_figures.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/timing_figures.sh"

failures=0
expect() {
  if [ "$2" == "$3" ]; then
    printf 'ok: %s\n' "$1"
  else
    printf 'FAIL: %s: expected [%s], got [%s]\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect "median of an odd count" 236 "$(median <<<' 282 133 236 110 253')"
expect "median of an even count is the lower middle" 2 "$(median <<<'4 1 3 2')"
expect "median sorts numbers, not text" 90 "$(median <<<'1000 90 80')"

# Main window alone 100..400, a box 400..700, main window alone again (work) 700..1000, a box
# 1000..1100, then the program gone.
cat >"$work/samples" <<'SAMPLES'
0 0
100 1
300 1
400 2
600 2
700 1
900 1
1000 2
1100 1
1200 0
SAMPLES
expect "user: the wait for the press and the boxes, not the work between" 700 \
  "$(user_ms "$work/samples")"
expect "the main window first seen 100 ms after the start" 60 "$(first_window_ms "$work/samples" 40)"
printf '0 0\n50 1\n80 0\n' >"$work/never-boxed"
expect "user: a window closed before any box counts while it was up" 30 \
  "$(user_ms "$work/never-boxed")"

cat >"$work/trace" <<'TRACE'
9.900:0020:trace:process:CreateProcessInternalW app (null) cmdline L"early.exe"
9.950:0020:trace:process:CreateProcessInternalW started process pid 0028 tid 002c
10.000:0030:trace:msgbox:MSGBOX_OnInit L"Are you sure?"
10.100:0030:trace:process:CreateProcessInternalW app (null) cmdline L"Net Stop A"
10.130:0030:trace:process:CreateProcessInternalW started process pid 0040 tid 0044
10.131:0044:trace:process:CreateProcessInternalW app L"conhost.exe" cmdline L"conhost.exe"
10.140:0044:trace:process:CreateProcessInternalW started process pid 0048 tid 004c
11.000:0030:trace:process:CreateProcessInternalW app (null) cmdline L"missing.exe"
11.500:0030:trace:process:CreateProcessInternalW app (null) cmdline L"Net Stop B"
11.550:0030:trace:process:CreateProcessInternalW started process pid 0050 tid 0054
TRACE
expect "starting: the box thread's starts only, a failed start not counted" "80 2" \
  "$(starting_ms "$work/trace")"

expect "percent" "4.64" "$(percent 858 18504)"
expect "ratio" "1.81" "$(ratio 234 129)"
expect "ratio to three decimals" "1.038" "$(ratio 16518 15920 3)"

[ "$failures" -eq 0 ] || exit 1
