#!/usr/bin/env bash
# The hand-over to Dirscrub under Wine: on a product older than 4.0(2.50) with "Remove subscriber
# data" ticked, the uninstaller starts DirscrubVelmar30.exe from its own folder and waits for it.
# The product's gateway (the bench's stand-in server) says the product runs: Dirscrub logs its
# shutting-down lines, stops the message-store monitor with net stop, calls the gateway's
# shut-down, holds the gateway until it ends, logs its start lines and the failed connection
# (no directory server is registered) between the uninstaller's two lines, shows its own box over
# its window, leaves the marker, and the uninstaller deletes the marker and runs on to its
# summary. Without SQL Server the inventory shows its missing-database box and lists nothing in
# the account box. Before that, Dirscrub run alone against a gateway saying the product is
# stopped neither stops the monitor nor shuts anything down.
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_dirscrub_test.sh
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote.
# Functions handed to bench_poll look unused.
# shellcheck disable=SC1003,SC2317
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${VELMAR_DIST_DIR:=$(dirname "$UNINSTALLER_EXE")}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
: "${PELLETGATEWAY_EXE:=$BENCH_BUILD_DIR/e2e/bin/pelletgateway.exe}"
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$PELLETGATEWAY_EXE" \
  "$VELMAR_DIST_DIR/DirscrubVelmar30.exe" "$VELMAR_DIST_DIR/kill.exe"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

# Both programs' windows carry this title; only Dirscrub's box carries its own.
title="Velmar Uninstaller"
dirscrub_box_title="DirscrubVelmar30"
no_doh='Error!  Could not connect to the DOH.  Subscriber information cannot be removed without a valid DOH connection.  Contact support for help.'
no_database='Error!  VelmarDB database is missing or badly corrupted - skipping parts of uninstall.'
accounts='To complete the uninstall, you must manually remove the following user accounts and distribution lists from NT and Exchange or from Active Directory:'
general_date='^[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?$'
marker='C:\VelmarUninstallTemp.xxx'
started=$(_bench_now_ms)

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_dirscrub}"
bench_xvfb_start
bench_prefix_new

# --- The installation: 3.1(2.0), its gateway service running so start-up asks nothing ----------
# The dist folder as shipped, less PelletSetup.exe: the TSP step then fails at once.
{
  bench_dist_rows_without PelletSetup.exe
  cat <<EOF
file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE
file  | C:\\bench\\pelletgateway.exe | @$PELLETGATEWAY_EXE
value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00030001
value | HKLM\\Software\\Quillon | Build Number   | REG_DWORD | 0x00020000
value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Corvane\\
EOF
} | bench_install_product
bench_wine sc-create sc create ZqKtGateWay binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
bench_wine net-start net start ZqKtGateWay || bench_die "$BENCH_LAST_OUT"
bench_wait_service_state ZqKtGateWay RUNNING 20 >/dev/null || bench_die "the gateway did not start"
# The message-store monitor runs, so Dirscrub's net stop has something to stop.
monitor=ZqMsgStoreMonitorSvr
bench_wine sc-create-monitor sc create $monitor binPath= 'C:\Tools\fakesvc.exe' ||
  bench_die "$BENCH_LAST_OUT"
bench_wine net-start-monitor net start $monitor || bench_die "$BENCH_LAST_OUT"
bench_wait_service_state $monitor RUNNING 20 >/dev/null || bench_die "the monitor did not start"
bench_wine gateway-register 'C:\bench\pelletgateway.exe' /regserver ||
  bench_die "the gateway stand-in did not register: $BENCH_LAST_OUT"
gateway_status=$(bench_unix_path 'C:\bench\gateway-status.txt')
gateway_calls=$(bench_unix_path 'C:\bench\gateway-calls.txt')
gateway_record() { tr -d '\r' <"$gateway_calls" 2>/dev/null || true; }
bench_wine computer-name cmd /c echo '%COMPUTERNAME%' || bench_die "no computer name"
computer_name=$BENCH_LAST_OUT
[ -n "$computer_name" ] || bench_die "the computer name is empty"

log_file=$(bench_unix_path 'C:\VelmarUninstall.log')
log_text() { tr -d '\r' <"$log_file"; }

# --- Dirscrub alone, the product stopped -----------------------------------------------------
# Any status but 32 means stopped: the flow goes straight to its start lines. The log only has
# to exist; the uninstaller's start-up writes it afresh below.
printf '64' >"$gateway_status"
: >"$log_file"
bench_start scrub-stopped 'C:\Tools\DirscrubVelmar30.exe'
bench_wait_window "$dirscrub_box_title" || bench_die "stopped: Dirscrub's box never appeared"
bench_answer "$BENCH_WINDOW" Return || bench_die "stopped: Dirscrub's box did not close"
bench_wait_exit scrub-stopped || bench_die "stopped: Dirscrub did not end"
bench_expect_eq "stopped: Dirscrub's lines" "$(printf '%s\n' \
  "    Velmar is shut down, proceeding to clean subscriber info" "Dirscrub app version=1.1.90" \
  "" "Starting directory cleaning at:<date>" "" "Computer name=$computer_name" \
  "DOH Connection failed.  Exiting subscriber removal.")" \
  "$(log_text | sed -E 's/^(Starting directory cleaning at:).*/\1<date>/')"
bench_expect_eq "stopped: the gateway read, never shut down, given back" "created
get_LastStatus -> 64
released" "$(gateway_record)"
bench_expect_eq "stopped: no net stop of the monitor" RUNNING "$(bench_service_state $monitor)"
bench_expect_msgbox "stopped: Dirscrub's box" scrub-stopped 1 "$no_doh"
rm -f "$log_file" "$(bench_unix_path "$marker")" "$gateway_calls"
printf '32' >"$gateway_status"

# answer_box NAME KEY [SECONDS]: the uninstaller's next box (new, and not one of the known
# windows) appears within SECONDS (30), is photographed and answered. Once Dirscrub has ended,
# Wine's active window, where the keys go, is not always the uninstaller's next box: from then
# on (BENCH_BOX_ACTIVATE=1) the box is clicked on its caption first.
answer_box() { bench_answer_new_box "$title" "$1" "$2" "${3:-30}" "${known[@]}"; }
# shellcheck disable=SC2034 # read by bench_answer_new_box in lib/bench.sh
BENCH_BOX_ACTIVATE=0

# --- Ticking the option, then the press ------------------------------------------------------
bench_start uninstall 'C:\Tools\VelmarUninstall3xandUp.exe'
bench_wait_window "$title" || bench_die "the main window never appeared"
main=$BENCH_WINDOW
known=("$main")
# chkRemoveSubscriberInfo: 240, 240 twips in Frame1 at 60, 120, i.e. 20, 24 client pixels at
# 96 DPI, 13 high. Ticking it asks three questions; these answers keep the tick.
bench_click_client "$main" 508 299 27 30
answer_box option-other-server n
answer_box option-import-later y
answer_box option-imported n
# Uninstall: its middle at 52, 280 of 508 x 299 client pixels.
xdotool windowraise "$main" >/dev/null 2>&1
bench_click_client "$main" 508 299 52 280
for n in 1 2 3 4; do answer_box "question-$n" y; done
answer_box inventory-no-database Return

# --- Dirscrub ---------------------------------------------------------------------------------
# Its box, and its window behind it: new, titled like the uninstaller's, and no box of the
# uninstaller's can be up while it waits on Dirscrub.
bench_wait_window "$dirscrub_box_title" || bench_die "Dirscrub's box never appeared"
dirscrub_box=$BENCH_WINDOW
BENCH_FOUND_WINDOW=""
bench_poll 10 bench_find_new_window "$title" "$main" || {
  bench_windows | sed 's/^/    /' >&2
  bench_die "Dirscrub's window is not up beside its box"
}
dirscrub_window=$BENCH_FOUND_WINDOW
bench_shot "$dirscrub_window" dirscrub-window
bench_expect_eq "Dirscrub's window in its wide place" "486x70 at 30,50" \
  "$(xdotool getwindowgeometry "$dirscrub_window" |
    sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/at \1,\2/p; s/.*Geometry: //p' | tac | paste -sd' ')"
handed_over=$(log_text)
# Dirscrub still runs (its box is up), so it still holds the gateway it shut the product down with.
bench_expect_eq "running: the gateway read and shut down, still held" "created
get_LastStatus -> 32
Shutdown -> 0x00000000" "$(gateway_record)"
bench_expect_eq "running: net stop stopped the monitor" STOPPED "$(bench_service_state $monitor)"
bench_answer "$dirscrub_box" Return || bench_die "Dirscrub's box did not close"
bench_poll 30 _bench_window_gone "$dirscrub_window" || bench_die "Dirscrub's window stayed after its box"
known+=("$dirscrub_window" "$dirscrub_box")
# Dirscrub gives the gateway back as it ends, which its window's going need not wait for.
gateway_released() { [ "$(gateway_record | tail -1)" == released ]; }
bench_poll 10 gateway_released || true
bench_expect_eq "running: the gateway given back when Dirscrub ended" released \
  "$(gateway_record | tail -1)"
# shellcheck disable=SC2034 # read by bench_answer_new_box in lib/bench.sh
BENCH_BOX_ACTIVATE=1

# --- The rest of the uninstall ---------------------------------------------------------------
# After the thirty service stops of stage A and the web application's: about 15 s alone, 30 s
# and more when other tests share the machine.
answer_box jobs-no-database Return 90
answer_box accounts Return
answer_box summary Escape
bench_wait_exit uninstall 60 || bench_die "the uninstaller did not end within 60 s of its summary"
bench_expect_eq "exit code" 0 "${BENCH_EXIT[uninstall]}"
cp "$log_file" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null || true
log=$(log_text)

# --- The log around the hand-over ------------------------------------------------------------
bench_expect_eq "while Dirscrub's box is up the log ends at its failed connection" \
  "DOH Connection failed.  Exiting subscriber removal." "$(tail -1 <<<"$handed_over")"
launch='    Launching Dirscrub using path=C:\Tools\DirscrubVelmar30.exe'
bench_expect_eq "the hand-over follows the opening" \
  "Uninstall loaded, waiting for command from user to continue." \
  "$(grep -xF -B1 -- "$launch" <<<"$log" | head -1)"
expected=(
  "$launch"
  "    Shutting down Velmar"
  "    Stopping ZqMsgStoreMonitorSvr (if installed)"
  "    net stop process completed"
  "Dirscrub app version=1.1.90"
  ""
  "Starting directory cleaning at:<date>"
  ""
  "Computer name=$computer_name"
  "DOH Connection failed.  Exiting subscriber removal."
  "    Dirscrub completed, resuming uninstall."
  "   removing TSP information"
)
from=$(grep -nxF -- "$launch" <<<"$log" | head -1 | cut -d: -f1)
bench_expect_eq "Dirscrub's lines between the uninstaller's two" "$(printf '%s\n' "${expected[@]}")" \
  "$(sed -n "${from:-1},$((${from:-1} + ${#expected[@]} - 1))p" <<<"$log" |
    sed -E 's/^(Starting directory cleaning at:).*/\1<date>/')"
bench_expect_match "the cleaning's start is dated" "$general_date" \
  "$(sed -n 's/^Starting directory cleaning at://p' <<<"$log")"
bench_expect_eq "no complaint about the marker" "" \
  "$(grep -F 'file was not created' <<<"$log" || true)"
bench_expect_eq "the marker deleted by the uninstaller" absent \
  "$([ -e "$(bench_unix_path "$marker")" ] && echo present || echo absent)"
bench_expect_match "the completion line" '^Uninstall completed at:' "$log"
bench_expect_match "the closing line last" "^Exiting Application at:" "$(tail -1 <<<"$log")"

# --- What was shown ---------------------------------------------------------------------------
# Dirscrub inherits the uninstaller's standard error, so its box is traced in order among them.
bench_expect_eq "twelve message boxes, Dirscrub's ninth" 12 "$(bench_collect_msgboxes uninstall)"
bench_expect_msgbox "the inventory meets no database" uninstall 8 "$no_database"
bench_expect_msgbox "Dirscrub's box" uninstall 9 "$no_doh"
bench_expect_msgbox "stage B meets no database" uninstall 10 "$no_database"
# Without a database the inventory is empty: the account box holds its heading and a line break
# and nothing after them, and so does the log's account list.
bench_expect_msgbox "the account box lists nothing" uninstall 11 "$accounts"$'\r\n'
bench_expect_eq "the log's account list is empty" \
  "$(printf '%s\n' "User being asked to remove the following accounts:" "" "Exiting Application at:")" \
  "$(grep -xF -A2 -- "User being asked to remove the following accounts:" <<<"$log" |
    sed -E 's/^(Exiting Application at:).*/\1/')"
errors=$(awk 'length($0) > 2 && tolower($0) ~ /\(error\)/' <<<"$log" | wc -l)
bench_expect_eq "the summary counts the log's $errors error line(s)" \
  "Uninstall complete.  Please reboot the server before installing a new version of Velmar on this server.
 $errors  error(s) encountered during the process.  See the log file for more information on these.
Press OK to view log file now." "$(bench_msgbox uninstall 12 | tr -d '\r')"

bench_log "whole test $((($(_bench_now_ms) - started) / 1000)) s"
bench_finish
