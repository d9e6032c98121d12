#!/usr/bin/env bash
# Smoke test of the Wine bench itself: a message box found by title, photographed, answered by
# keystroke and read back from Wine's trace, exit codes and files seen from outside, and a
# service installed, started and stopped. If this fails, the end-to-end tests of the real
# programs cannot be trusted either.
#
# Run by hand after building the windows preset:  bash tests/e2e/smoke_test.sh
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
for exe in "$SMOKEBOX_EXE" "$FAKESVC_EXE"; do
  [ -f "$exe" ] || bench_die "$exe is missing; build the windows preset first"
done

bench_begin "${BENCH_TEST_NAME:-e2e.smoke}"
bench_xvfb_start
bench_prefix_new

# The dash is U+2014 in UTF-8, spelt out so the test does not depend on the locale.
expected_text=$'Remove "ZqKt Gateway" from C:\\Velmar\\Gateway?\nYes removes it \xe2\x80\x94 No keeps it.'

bench_install_product <<EOF
file  | C:\\bench\\smokebox.exe | @$SMOKEBOX_EXE
file  | C:\\bench\\fakesvc.exe  | @$FAKESVC_EXE
dir   | C:\\answers
# What a 32-bit installer leaves behind, laid out as later tests do it.
file  | C:\\Program Files\\Velmar Bench\\readme.txt | installed by the bench
value | HKLM\\Software\\Velmar\\Bench | InstallDir | REG_SZ    | C:\\Program Files\\Velmar Bench
value | HKLM\\Software\\Velmar\\Bench | Build      | REG_DWORD | 34
value | HKLM\\Software\\Velmar\\Bench |            | REG_SZ    | a|b
EOF
bench_log "prefix architecture: $BENCH_PREFIX_ARCH"
bench_expect_eq "product file laid out" "installed by the bench" \
  "$(cat "$(bench_unix_path 'C:\Program Files\Velmar Bench\readme.txt')")"
bench_wine reg-read reg query 'HKLM\Software\Velmar\Bench' /reg:32 || true
bench_expect_eq "product values in the 32-bit view" \
  $'    (Default)    REG_SZ    a|b\n    Build    REG_DWORD    0x22\n    InstallDir    REG_SZ    C:\\Program Files\\Velmar Bench' \
  "$(grep '^    ' <<<"$BENCH_LAST_OUT" | LC_ALL=C sort)"

# One run per answer: the key typed decides the button, the exit code and the answer file.
# answer_run TAG KEY EXIT_CODE ANSWER ANSWER_FILE [ARGS...]
answer_run() {
  local tag=$1 key=$2 want_code=$3 want_answer=$4 answer_file=$5
  shift 5
  local answer_path
  answer_path=$(bench_unix_path "$answer_file")
  bench_start "$tag" 'C:\bench\smokebox.exe' "$@"
  bench_wait_window "Velmar bench" || bench_die "$tag: the message box never appeared"
  bench_answer "$BENCH_WINDOW" "$key" || bench_die "$tag: key '$key' did not close the message box"
  bench_wait_exit "$tag" || bench_die "$tag: smokebox did not exit"

  bench_expect_eq "$tag: exit code" "$want_code" "${BENCH_EXIT[$tag]}"
  bench_expect_eq "$tag: answer file" "$want_answer" "$(tr -d '\r' 2>/dev/null <"$answer_path" || echo '<no file>')"
  bench_expect_eq "$tag: one message box" 1 "$(bench_collect_msgboxes "$tag")"
  bench_expect_msgbox "$tag: message text" "$tag" 1 "$expected_text"
}

answer_run answer-no n 7 No 'C:\answers\no.txt' 'C:\answers\no.txt'
answer_run answer-yes y 6 Yes 'C:\answers\yes.txt' 'C:\answers\yes.txt'
# Return presses the default button, Yes; without an argument the answer goes to c:\smokebox.txt.
answer_run answer-default Return 6 Yes 'C:\smokebox.txt'

bench_expect_eq "a screenshot of each message box" \
  "01-Velmar-bench.png 02-Velmar-bench.png 03-Velmar-bench.png" \
  "$(cd "$BENCH_SHOT_DIR" && echo *.png)"

# A service under the name a later test gives the product's own: installed, running, stopped.
service=ZqKtGateWay
bench_wine sc-create sc create "$service" binPath= 'C:\bench\fakesvc.exe' \
  || bench_die "sc create failed: $BENCH_LAST_OUT"
bench_expect_eq "service installed and stopped" STOPPED "$(bench_service_state "$service")"
bench_wine net-start net start "$service" || bench_die "net start failed: $BENCH_LAST_OUT"
bench_expect_eq "service running" RUNNING "$(bench_wait_service_state "$service" RUNNING 20 || true)"
bench_wine net-stop net stop "$service" || bench_die "net stop failed: $BENCH_LAST_OUT"
bench_expect_eq "service stopped" STOPPED "$(bench_wait_service_state "$service" STOPPED 20 || true)"
bench_expect_eq "no such service" MISSING "$(bench_service_state NoSuchServiceHere)"
# The service's debugger output reaches the log of Wine's own processes, which started it.
bench_expect_match "service traced its life" "fakesvc $service: running" \
  "$(grep -o 'fakesvc [^"]*' "$BENCH_LOG_DIR/wine-system.log" || true)"
bench_expect_match "service traced its stop" "fakesvc $service: stopped" \
  "$(grep -o 'fakesvc [^"]*' "$BENCH_LOG_DIR/wine-system.log" || true)"

# A second fresh machine in the same test keeps nothing of the first.
bench_prefix_new
bench_expect_eq "a new prefix has no service of the old one" MISSING "$(bench_service_state "$service")"
bench_expect_eq "a new prefix has none of the old files" "" \
  "$(ls -A "$(bench_unix_path 'C:\bench')" 2>/dev/null || true)"

bench_finish
