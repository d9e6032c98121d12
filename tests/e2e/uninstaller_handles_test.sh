#!/usr/bin/env bash
# The uninstaller's whole run leaks no handle: the audit variant (built with VELMAR_TEST_BUILD,
# never shipped) goes through the same press as the whole-run test, on the same complete fake
# installation, and reports its own process handle count once the main window is up and again
# as it ends, in C:\VelmarUninstall.audit.txt beside its log. Both lines must be there, and the
# count at exit must be the one after start-up less the log's handle, which ExitApplication
# closes. The program lists the handles new at the end and those gone since, with their type and
# name, to find a leak by.
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_handles_test.sh
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote.
# Functions handed to bench_poll look unused.
# shellcheck disable=SC1003,SC2317
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
# shellcheck source=lib/full_uninstall.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/full_uninstall.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/audit/VelmarUninstall3xandUp.exe}"
: "${VELMAR_DIST_DIR:=$BENCH_BUILD_DIR/dist}"
full_require_files
cmp -s "$UNINSTALLER_EXE" "$VELMAR_DIST_DIR/VelmarUninstall3xandUp.exe" &&
  bench_die "$UNINSTALLER_EXE is the shipped program, not the audit variant"

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_handles}"
bench_xvfb_start
bench_prefix_new
[ "$BENCH_PREFIX_ARCH" = win64 ] || bench_die "this test expects a 64-bit prefix (got '$BENCH_PREFIX_ARCH')"

# Without IIS and with Wine's own ADO: under Wine the first object the program gets from either
# stand-in (the IIS provider, the ADO; both record every object they handed out released, which
# the full run checks) leaves a thread and an event in the process, which this count would take
# for the program's. Wine's ADO fails the first call by name, so SQL Server never answers here.
export FULL_SQL=no FULL_SQL_STANDIN=no
FULL_IIS=no full_lay_out
full_start_programs
full_press
bench_expect_eq "exit code" 0 "${BENCH_EXIT[uninstall]}"
bench_expect_eq "$full_boxes message boxes" "$full_boxes" "$(bench_collect_msgboxes uninstall)"
cp "$(bench_unix_path 'C:\VelmarUninstall.log')" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null || true

report=$(tr -d '\r' <"$(bench_unix_path 'C:\VelmarUninstall.audit.txt')" 2>/dev/null || true)
printf '%s\n' "$report" >"$BENCH_LOG_DIR/VelmarUninstall.audit.txt"
while IFS= read -r line; do bench_log "$line"; done <<<"$report"
after_start_up=$(sed -n 's/^audit: handles after start-up=\([0-9][0-9]*\)$/\1/p' <<<"$report")
at_exit=$(sed -n 's/^audit: handles at exit=\([0-9][0-9]*\)$/\1/p' <<<"$report")
bench_expect_eq "the count after start-up reported once" 1 "$(grep -c . <<<"$after_start_up")"
bench_expect_eq "the count at exit reported once" 1 "$(grep -c . <<<"$at_exit")"
# The log is open from start-up on and ExitApplication closes it: the one handle fewer allowed.
bench_expect_eq "ExitApplication closed the log it held since start-up" 1 \
  "$(grep -ciE '^audit: gone handle 0x[0-9a-f]+ File .*\\C:\\VelmarUninstall\.log$' <<<"$report" || true)"
bench_expect_eq "as many handles at exit as after start-up, less the log" \
  "$((${after_start_up:-0} - 1))" "${at_exit:-none}"
bench_expect_match "the time waited is reported" '^audit: waited [0-9]+ ms of [0-9]+ ms$' "$report"
# The press waits on its children (the service stops, PelletSetup) and pauses between steps: the
# meter must have seen both, within the run's own time, and its parts must add up (to 1 ms each).
waits=$(sed -n 's/^audit: waited \([0-9]*\) ms of \([0-9]*\) ms$/\1 \2/p; s/^audit: waits sleep=\([0-9]*\) ms messages=\([0-9]*\) ms children=\([0-9]*\) ms$/\1 \2 \3/p' <<<"$report" | paste -sd' ')
read -r waited run sleeps messages children _ <<<"$waits 0 0 0 0 0 0"
bench_expect_eq "the waits on children counted" 1 "$((children > 0))"
bench_expect_eq "the pauses counted" 1 "$((sleeps + messages > 0))"
bench_expect_eq "the waits within the run's time ($waited of $run ms)" 1 "$((waited <= run))"
bench_expect_eq "the waits' parts add up to the total" 1 \
  "$((waited - sleeps - messages - children >= 0 && waited - sleeps - messages - children <= 3))"

bench_finish
