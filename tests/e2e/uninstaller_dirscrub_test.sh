#!/usr/bin/env bash
# The hand-over to Dirscrub under Wine: on a product older than 4.0(2.50) with "Remove subscriber
# data" ticked, the uninstaller starts DirscrubVelmar30.exe from its own folder and waits for it.
# With neither the gateway nor the directory server registered, Dirscrub logs its two error
# lines, its start lines and the failed connection between the uninstaller's two lines, shows its
# own box over its window, leaves the marker, and the uninstaller deletes the marker and runs on
# to its summary, which counts Dirscrub's error lines with its own. Without SQL Server the
# inventory shows its missing-database box and lists nothing in the account box.
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
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$VELMAR_DIST_DIR/DirscrubVelmar30.exe" \
  "$VELMAR_DIST_DIR/kill.exe"; do
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
value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00030001
value | HKLM\\Software\\Quillon | Build Number   | REG_DWORD | 0x00020000
value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Corvane\\
EOF
} | bench_install_product
bench_wine sc-create sc create ZqKtGateWay binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
bench_wine net-start net start ZqKtGateWay || bench_die "$BENCH_LAST_OUT"
bench_wait_service_state ZqKtGateWay RUNNING 20 >/dev/null || bench_die "the gateway did not start"
bench_wine computer-name cmd /c echo '%COMPUTERNAME%' || bench_die "no computer name"
computer_name=$BENCH_LAST_OUT
[ -n "$computer_name" ] || bench_die "the computer name is empty"

log_file=$(bench_unix_path 'C:\VelmarUninstall.log')
log_text() { tr -d '\r' <"$log_file"; }
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
bench_answer "$dirscrub_box" Return || bench_die "Dirscrub's box did not close"
bench_poll 30 _bench_window_gone "$dirscrub_window" || bench_die "Dirscrub's window stayed after its box"
known+=("$dirscrub_window" "$dirscrub_box")
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
  "(error) in Dirscrub routine.  Error=ActiveX component can't create object number=429"
  "    Shutting down Velmar"
  "    Stopping ZqMsgStoreMonitorSvr (if installed)"
  "<net stop result>"
  "(error) in Dirscrub routine.  Error=Object variable or With block variable not set number=91"
  "Dirscrub app version=1.1.90"
  ""
  "Starting directory cleaning at:<date>"
  ""
  "Computer name=$computer_name"
  "DOH Connection failed.  Exiting subscriber removal."
  "    Dirscrub completed, resuming uninstall."
  "   removing TSP information"
)
# The stop of the message-store monitor may end either way; both are Dirscrub's own lines.
from=$(grep -nxF -- "$launch" <<<"$log" | head -1 | cut -d: -f1)
bench_expect_eq "Dirscrub's lines between the uninstaller's two" "$(printf '%s\n' "${expected[@]}")" \
  "$(sed -n "${from:-1},$((${from:-1} + ${#expected[@]} - 1))p" <<<"$log" |
    sed -E 's/^(Starting directory cleaning at:).*/\1<date>/' |
    sed -E 's/^(    net stop process completed|\(error\) net stop process took longer than 30 seconds, task terminated)$/<net stop result>/')"
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
bench_expect_eq "the summary counts the log's $errors error line(s), Dirscrub's among them" \
  "Uninstall complete.  Please reboot the server before installing a new version of Velmar on this server.
 $errors  error(s) encountered during the process.  See the log file for more information on these.
Press OK to view log file now." "$(bench_msgbox uninstall 12 | tr -d '\r')"

bench_log "whole test $((($(_bench_now_ms) - started) / 1000)) s"
bench_finish
