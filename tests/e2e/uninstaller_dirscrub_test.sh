#!/usr/bin/env bash
# The directory cleaner under Wine, against the stand-in directory server (the simulated
# directory of tests/e2e/data/directory_31.txt: 22 subscribers homed here and elsewhere, five
# locations) and the bench's stand-in gateway.
#   - Dirscrub alone, the product stopped: it cleans exactly the subscribers homed here (either
#     letter case) of the kinds it takes, deletes this server's location (its identifier in the
#     same letter case only), finds the other servers and leaves the MVSLIES marker.
#   - Dirscrub alone, the log-on refused: message 1002 and the NODOH marker, nothing changed.
#   - Dirscrub alone, one subscriber's removal failing: passed over, the walk goes on.
#   - The hand-over on a 3.1 server with SQL Server (the stand-in ADO): with "Remove subscriber
#     data" ticked the uninstaller starts DirscrubVelmar30.exe from its own folder and waits for
#     it; the gateway says the product runs, so Dirscrub stops the message-store monitor with net
#     stop, calls the gateway's shut-down and holds the gateway until it ends; its window is
#     pictured with the bar part-way (the stand-in holds the third removal until then); its lines
#     land in the uninstall log, whose whole text is matched against a golden log; the uninstaller
#     deletes the marker and runs on to its summary, the account box listing the inventory.
# Every run's directory record ends with every object released. Dirscrub's marker name is planted
# beforehand as a hard link to a system-folder file in the first two runs (its two places of
# writing) and in the hand-over, the clean-up batch's name as a link to a system-folder folder in
# the hand-over: each bystander stays whole, and the runs go on as without the plantings.
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
: "${INSTSRV_EXE:=$BENCH_BUILD_DIR/e2e/bin/instsrv.exe}"
: "${DIRECTORY_LAYOUT:=$BENCH_REPO_DIR/tests/e2e/data/directory_31.txt}"
: "${SQL_LAYOUT:=$BENCH_REPO_DIR/tests/e2e/data/sql_prepared_server.txt}"
golden_dir=$BENCH_REPO_DIR/tests/e2e/golden
normalise() { python3 "$BENCH_REPO_DIR/tests/e2e/lib/normalise.py"; }
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$PELLETGATEWAY_EXE" "$INSTSRV_EXE" "$DIRECTORY_LAYOUT" \
  "$SQL_LAYOUT" \
  "$VELMAR_DIST_DIR/DirscrubVelmar30.exe" "$VELMAR_DIST_DIR/kill.exe"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

# Both programs' windows carry this title; only Dirscrub's box carries its own.
title="Velmar Uninstaller"
dirscrub_box_title="DirscrubVelmar30"
no_doh='Error!  Could not connect to the DOH.  Subscriber information cannot be removed without a valid DOH connection.  Contact support for help.'
accounts='To complete the uninstall, you must manually remove the following user accounts and distribution lists from NT and Exchange or from Active Directory:'
general_date='^[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?$'
marker='C:\VelmarUninstallTemp.xxx'
started=$(_bench_now_ms)

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_dirscrub}"
bench_xvfb_start
bench_prefix_new

# --- The installation: 3.1(2.0), its gateway service running so start-up asks nothing ----------
# The dist folder as shipped, less PelletSetup.exe: the TSP step then fails at once, its one
# error line. The rest as on a prepared server: the folders stage B unregisters from and the
# resource kit's service tool (its stand-in) in the system folder.
{
  bench_dist_rows_without PelletSetup.exe
  cat <<EOF
file  | $(bench_system_dir)\\instsrv.exe | @$INSTSRV_EXE
dir   | C:\\Corvane\\Components
dir   | C:\\Corvane\\OrderedComs
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

# --- Dirscrub alone ---------------------------------------------------------------------------
# scrub_alone TAG STATUS LAYOUT [HOLD]: Dirscrub started by itself, the gateway answering STATUS,
# the directory laid out from LAYOUT; the log only has to exist, the uninstaller's start-up
# writes it afresh later. With marker_bystander=NAME, the marker's name is planted as a hard link
# to that system-folder file first.
scrub_alone() {
  printf '%s' "$2" >"$gateway_status"
  : >"$log_file"
  rm -f "$(bench_unix_path "$marker")" "$gateway_calls"
  if [ -n "${marker_bystander:-}" ]; then bench_plant_link "$marker_bystander" "$marker"; fi
  bench_directory_standin "$3" "${4:-}"
  bench_start "scrub-$1" 'C:\Tools\DirscrubVelmar30.exe'
}
marker_text() { tr -d '\r' <"$(bench_unix_path "$marker")" 2>/dev/null | head -1 || echo '<none>'; }
# The calls that took effect, and the record's last line.
directory_effects() { bench_directory_record | sed -n 's/^done\t//p' | grep -v -e '^Connect$' -e '^LogOn 3$' || true; }
directory_released() { bench_directory_record | tail -1; }
# A scratch lay-out: the directory's with more lines.
layout_with() { { cat "$DIRECTORY_LAYOUT"; printf '%s\n' "$@"; } >"$BENCH_WORK/directory-layout.txt"; echo "$BENCH_WORK/directory-layout.txt"; }
# Homed here in either letter case, of a kind above 0 and not 6, in the directory's order.
cleaned=(asmith bjones cbrown dwhite egreen fblack gplain oadams pbaker qclark rdavis sevans vhill)

# Stopped (any status but 32): no shut-down, straight to the cleaning; the marker written at the
# walk's end.
marker_bystander=zqstopped.dll scrub_alone stopped 64 "$DIRECTORY_LAYOUT"
bench_wait_exit scrub-stopped 60 || bench_die "stopped: Dirscrub did not end"
cp "$log_file" "$BENCH_LOG_DIR/dirscrub-stopped.log"
bench_expect_eq "stopped: Dirscrub's log" "$(cat "$golden_dir/dirscrub_alone.log")" "$(normalise <"$log_file")"
bench_expect_eq "stopped: the custom properties removed from exactly these, this server's location deleted" \
  "$(printf 'RemoveCustomProperties %s\n' "${cleaned[@]}"; echo 'Delete VM')" "$(directory_effects)"
bench_expect_match "stopped: every directory object released" "^released( at exit)?$" "$(directory_released)"
bench_expect_eq "stopped: other servers share the directory" MVSLIES "$(marker_text)"
bench_expect_bystander stopped zqstopped.dll
bench_expect_eq "stopped: the gateway read, never shut down, given back" "created
get_LastStatus -> 64
released" "$(gateway_record)"
bench_expect_eq "stopped: no net stop of the monitor" RUNNING "$(bench_service_state $monitor)"
bench_expect_eq "stopped: no box" 0 "$(bench_collect_msgboxes scrub-stopped)"

# The log-on refused: the connection-failed path, nothing in the directory changed, its own
# marker.
marker_bystander=zqrefused.dll scrub_alone refused 64 "$(layout_with $'fail\tLogOn\t80070005')"
bench_wait_window "$dirscrub_box_title" || bench_die "refused: Dirscrub's box never appeared"
bench_answer "$BENCH_WINDOW" Return || bench_die "refused: Dirscrub's box did not close"
bench_wait_exit scrub-refused || bench_die "refused: Dirscrub did not end"
bench_expect_msgbox "refused: Dirscrub's box" scrub-refused 1 "$no_doh"
bench_expect_eq "refused: the marker" NODOH "$(marker_text)"
bench_expect_bystander refused zqrefused.dll
bench_expect_eq "refused: the log ends at the failed connection" \
  "Computer name=<computer>
DOH Connection failed.  Exiting subscriber removal." "$(normalise <"$log_file" | tail -2)"
bench_expect_eq "refused: nothing in the directory changed" "" "$(directory_effects)"
bench_expect_match "refused: the log-on refused" $'refused\tDoh.LogOn\t0x80070005' "$(bench_directory_record)"
bench_expect_match "refused: every directory object released" "^released( at exit)?$" "$(directory_released)"

# One subscriber's removal fails: passed over without a line, the walk goes on.
scrub_alone one-fails 64 "$(layout_with $'removal-fails\tcbrown\t80004005')"
bench_wait_exit scrub-one-fails 60 || bench_die "one-fails: Dirscrub did not end"
bench_expect_eq "one-fails: the others still cleaned, the location still deleted" \
  "$(printf 'RemoveCustomProperties %s\n' "${cleaned[@]}" | grep -vx 'RemoveCustomProperties cbrown'; echo 'Delete VM')" \
  "$(directory_effects)"
bench_expect_eq "one-fails: the same log, the failure passed over without a line" \
  "$(cat "$golden_dir/dirscrub_alone.log")" "$(normalise <"$log_file")"
bench_expect_match "one-fails: every directory object released" "^released( at exit)?$" "$(directory_released)"
bench_expect_eq "one-fails: the marker" MVSLIES "$(marker_text)"
rm -f "$log_file" "$(bench_unix_path "$marker")" "$gateway_calls"
printf '32' >"$gateway_status"
# Planted for the hand-over: the marker's name, which Dirscrub clears before it writes and the
# uninstaller reads and deletes, and the batch's name as a folder reparse point. Wine 8 offers
# the bench no other reparse point: measured with a 32-bit test program, a Unix symbolic link to
# a folder reads 0x410 through GetFileAttributesW and FindFirstFileW (one to a file reads as the
# plain file, 0x20); mklink in Wine's cmd creates nothing for files or /d (errorlevel 0) and
# fails for /j; CreateSymbolicLinkW answers TRUE and creates nothing; FSCTL_SET_REPARSE_POINT
# fails with error 50 for a mount point and a symbolic link. Wine cannot remove such a name
# either (DeleteFileW: error 5; RemoveDirectoryW: 145 while the folder it leads to holds a
# file), so the copy fails silently and the batch is missing there; what must hold is that the
# folder it leads to is not emptied or written into, and the log is the same.
bench_plant_link zqhandover.dll "$marker"
bench_plant_folder_link zqbatchdir 'C:\VelmarClean.bat'

# --- The hand-over: SQL Server answers, the third removal held for Dirscrub's picture -----------
bench_sql_standin "$SQL_LAYOUT"
bench_directory_standin "$DIRECTORY_LAYOUT" 3

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

# --- Dirscrub ---------------------------------------------------------------------------------
# Its window, new and titled like the uninstaller's, pictured while the stand-in holds the third
# removal: the bar stands part-way.
held() { bench_directory_record | grep -q $'^held\t'; }
bench_poll 60 held || bench_die "Dirscrub never reached the third removal"
BENCH_FOUND_WINDOW=""
bench_poll 10 bench_find_new_window "$title" "$main" || {
  bench_windows | sed 's/^/    /' >&2
  bench_die "Dirscrub's window is not up"
}
dirscrub_window=$BENCH_FOUND_WINDOW
bench_shot "$dirscrub_window" dirscrub-window
bench_expect_eq "Dirscrub's window in its wide place" "486x70 at 30,50" \
  "$(xdotool getwindowgeometry "$dirscrub_window" |
    sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/at \1,\2/p; s/.*Geometry: //p' | tac | paste -sd' ')"
# Dirscrub still runs, so it still holds the gateway it shut the product down with.
bench_expect_eq "running: the gateway read and shut down, still held" "created
get_LastStatus -> 32
Shutdown -> 0x00000000" "$(gateway_record)"
bench_expect_eq "running: net stop stopped the monitor" STOPPED "$(bench_service_state $monitor)"
bench_directory_let_go
bench_poll 60 _bench_window_gone "$dirscrub_window" || bench_die "Dirscrub's window stayed"
known+=("$dirscrub_window")
# Dirscrub gives the gateway back as it ends, which its window's going need not wait for.
gateway_released() { [ "$(gateway_record | tail -1)" == released ]; }
bench_poll 10 gateway_released || true
bench_expect_eq "running: the gateway given back when Dirscrub ended" released \
  "$(gateway_record | tail -1)"
bench_expect_eq "running: the same directory work" \
  "$(printf 'RemoveCustomProperties %s\n' "${cleaned[@]}"; echo 'Delete VM')" "$(directory_effects)"
# shellcheck disable=SC2034 # read by bench_answer_new_box in lib/bench.sh
BENCH_BOX_ACTIVATE=1

# --- The rest of the uninstall ---------------------------------------------------------------
# After the thirty service stops of stage A and the web application's: about 15 s alone, 30 s
# and more when other tests share the machine.
answer_box accounts Return 90
answer_box summary Escape
bench_wait_exit uninstall 60 || bench_die "the uninstaller did not end within 60 s of its summary"
bench_expect_eq "exit code" 0 "${BENCH_EXIT[uninstall]}"
cp "$log_file" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null || true
log=$(log_text)

# --- The log: Dirscrub's lines between the uninstaller's two, the whole against a golden log -----
bench_expect_eq "the log" "$(cat "$golden_dir/uninstaller_dirscrub.log")" "$(normalise <<<"$log")"
bench_expect_match "the cleaning's start is dated" "$general_date" \
  "$(sed -n 's/^Starting directory cleaning at://p' <<<"$log")"
bench_expect_eq "the computer name is the machine's" "Computer name=$computer_name" \
  "$(grep -x 'Computer name=.*' <<<"$log")"
bench_expect_eq "the marker deleted by the uninstaller" absent \
  "$([ -e "$(bench_unix_path "$marker")" ] && echo present || echo absent)"
bench_expect_bystander hand-over zqhandover.dll
bench_expect_bystander_folder hand-over zqbatchdir
bench_log "the batch's planted name after the run: $(ls -ld "$(bench_unix_path 'C:\VelmarClean.bat')" 2>&1)"
bench_expect_match "running: every directory object released" "^released( at exit)?$" "$(directory_released)"
bench_expect_eq "every ADO object released" "released at exit" "$(bench_sql_record | tail -1)"

# --- What was shown ---------------------------------------------------------------------------
# The option's three questions, the four confirmations, the account box and the summary: neither
# Dirscrub nor SQL Server had anything to complain of.
bench_expect_eq "nine message boxes" 9 "$(bench_collect_msgboxes uninstall)"
# Below 4.0(2.50) the account box lists what the inventory found: the setup's subscribers, the
# subscribers of type 0, the system lists and the locations, as the log does.
inventory=$(sed -n '/^User being asked to remove the following accounts:$/,/^Exiting Application at:/p' <<<"$log" |
  sed '1d;$d')
bench_expect_msgbox "the account box lists the inventory" uninstall 8 "$accounts"$'\r\n'"$(sed 's/$/\r/' <<<"$inventory")"
bench_expect_match "the inventory names the setup's subscriber" \
  "^Alias='ESubscriber', Display Name='Example Subscriber', Mail Alias='ESubscriber_VM'$" "$inventory"
errors=$(awk 'length($0) > 2 && tolower($0) ~ /\(error\)/' <<<"$log" | wc -l)
bench_expect_eq "the summary counts the log's $errors error line(s)" \
  "Uninstall complete.  Please reboot the server before installing a new version of Velmar on this server.
 $errors  error(s) encountered during the process.  See the log file for more information on these.
Press OK to view log file now." "$(bench_msgbox uninstall 9 | tr -d '\r')"

bench_log "whole test $((($(_bench_now_ms) - started) / 1000)) s"
bench_finish
