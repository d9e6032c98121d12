#!/usr/bin/env bash
# The Uninstall press under Wine, through the shut-down of the product: the four questions and
# the missing-database notice word for word, the log from the press to the headline line by
# line, the product's services stopped in all three passes, kill.exe ending the product-named
# program and sparing the other, the diagnostics kit's uninstaller given /silentuninstall, the
# web application's script run in its folder, and the program ending through its exit.
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_stage_a_test.sh
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
: "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$SMOKEBOX_EXE" "$VELMAR_DIST_DIR/kill.exe" \
  "$VELMAR_DIST_DIR/mypause.exe" "$VELMAR_DIST_DIR/tomcatuninstall.bat"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

title="Velmar Uninstaller"
# The program's texts, as its string table gives them.
questions=(
  'Please be sure to close all applications before uninstalling Velmar.  Do you want to continue?'
  'Before uninstalling Velmar you should first remove Dialogic/NMS TSP and WAV drivers (see help for more information).  Are you ready to continue?'
  'Uninstalling will completely remove Velmar from your system!  Are you sure you want to do this?'
  'Are you absolutely sure?'
)
no_database='Error!  VelmarDB database is missing or badly corrupted - skipping parts of uninstall.'
# App.Major, App.Minor and App.Revision, each with the blank the run time gives a number.
version_line=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9]*\)\.\([0-9]*\)\.[0-9]*\.\([0-9]*\).*/VelmarRemoval version = \1. \2. \3/p' \
  "$BENCH_REPO_DIR/CMakeLists.txt")
[ -n "$version_line" ] || bench_die "no four-part project version in CMakeLists.txt"
closing='^Exiting Application at:[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?$'
# Product services of each pass: the first pass in both wordings, one also stopped again in the
# second pass, one only there, and one of the platform's.
services=(ZqKtGateWay ZqDSAD WyDohMgr WyNameGrammar ZqktNodeMgr)

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_stage_a}"
bench_xvfb_start
bench_prefix_new

# The dist folder as shipped, less PelletSetup.exe: the TSP step must find none.
{
  bench_dist_rows_without PelletSetup.exe
  cat <<EOF
file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE
file  | C:\\Bench\\zqfake.exe  | @$SMOKEBOX_EXE
file  | C:\\Bench\\other.exe   | @$SMOKEBOX_EXE
value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00040000
value | HKLM\\Software\\Quillon | Build Number   | REG_DWORD | 0x00030032
value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Corvane\\
value | HKLM\\SOFTWARE\\Quillon\\Gearloft\\Diagnostic Tools\\Faldern Configuration Wizard | Path | REG_SZ | %CORVANE%\\kit\\remove.bat
EOF
} | bench_install_product
# The kit's uninstaller keeps what it was given, and the web application's script notes the
# folder it ran in and the companions it found there, both outside the install tree, which the
# later stages delete.
mkdir -p "$(bench_unix_path 'C:\Corvane\kit')" "$(bench_unix_path 'C:\Corvane\brnkserv')" \
  "$(bench_unix_path 'C:\evidence')"
printf '@echo off\r\n>"C:\\evidence\\received.txt" echo %%*\r\n' \
  >"$(bench_unix_path 'C:\Corvane\kit\remove.bat')"
cat >"$(bench_unix_path 'C:\Corvane\brnkserv\uninstall.js')" <<'EOF'
var fso = new ActiveXObject("Scripting.FileSystemObject");
var shell = new ActiveXObject("WScript.Shell");
var marker = fso.CreateTextFile("C:\\evidence\\uninstall-ran.txt", true);
marker.WriteLine("ran in " + shell.CurrentDirectory);
marker.WriteLine("mypause.exe " + fso.FileExists("mypause.exe"));
marker.WriteLine("tomcatuninstall.bat " + fso.FileExists("tomcatuninstall.bat"));
marker.Close();
EOF

for name in "${services[@]}"; do
  bench_wine "sc-create-$name" sc create "$name" binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
  bench_wine "net-start-$name" net start "$name" || bench_die "$BENCH_LAST_OUT"
  bench_wait_service_state "$name" RUNNING 20 >/dev/null || bench_die "$name did not start"
done

# Two programs waiting on their message boxes: one named like the product's, one not.
bench_start zqfake 'C:\Bench\zqfake.exe' 'C:\Bench\zqfake.txt'
bench_start other 'C:\Bench\other.exe' 'C:\Bench\other.txt'
box_count() { xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null | wc -l; }
box_count_is() { [ "$(box_count)" -eq "$1" ]; }
bench_poll 30 box_count_is 2 || bench_die "the two programs' message boxes did not appear"

log_file=$(bench_unix_path 'C:\VelmarUninstall.log')
log_text() { tr -d '\r' <"$log_file"; }

# answer_box N KEY: the Nth message box of the press (new beside the main window, with its
# title) appears, is photographed once drawn and KEY closes it.
answer_box() { bench_answer_new_box "$title" "$1" "$2" 90 "$main"; }

# The gateway runs, so start-up asks nothing and shows the main window.
bench_start uninstall 'C:\Tools\VelmarUninstall3xandUp.exe'
bench_wait_window "$title" || bench_die "the main window never appeared"
main=$BENCH_WINDOW
opening_lines=$(log_text | wc -l)
bench_expect_eq "the opening ends waiting for the user" \
  "Uninstall loaded, waiting for command from user to continue." "$(log_text | tail -1)"

# Uninstall: 60, 3960 twips, 1455 x 495, in a client area of 7620 x 4485; at 96 DPI its middle
# is at 52, 280 of 508 x 299 pixels. Raised first: the programs' boxes must not take the click.
xdotool windowraise "$main" >/dev/null 2>&1
pressed=$(_bench_now_ms)
bench_click_client "$main" 508 299 52 280
for n in 1 2 3 4; do answer_box "$n" y; done
answer_box 5 Return
# Stage B meets the same missing SQL Server at msdb's job table; then the summary, whose Cancel
# leaves Notepad closed.
answer_box 6 Return
answer_box 7 Escape
confirmed=$(_bench_now_ms)
# 12 to 25 s under Wine 8 (a net stop takes 0.1 to 0.5 s, the script pauses 2 s), more under load.
bench_wait_exit uninstall 120 || bench_die "the uninstaller did not end within 120 s of the press"
ended=$(_bench_now_ms)
bench_log "press to last answer $((confirmed - pressed)) ms, last answer to exit $((ended - confirmed)) ms"
bench_expect_eq "exit code" 0 "${BENCH_EXIT[uninstall]}"

# --- What was shown --------------------------------------------------------------------------
bench_expect_eq "seven message boxes" 7 "$(bench_collect_msgboxes uninstall)"
for n in 1 2 3 4; do
  bench_expect_msgbox "question $n" uninstall "$n" "${questions[$((n - 1))]}"
done
bench_expect_msgbox "no product database" uninstall 5 "$no_database"
bench_expect_msgbox "no job table" uninstall 6 "$no_database"
bench_expect_match "the summary counts the errors" \
  '^Uninstall complete\.  Please reboot the server before installing a new version of Velmar on this server\.' \
  "$(bench_msgbox uninstall 7)"

# --- The log from the press to the headline --------------------------------------------------
expected=(
  "$version_line" ""
  "DOH removal skipped at user's request..." ""
  "   removing TSP information"
  "(error) Description:File not found number: 53"
)
# stop STEP WORDING: a step of the first pass and its result line.
stop() { expected+=("    Stopping $1" "    $2 process completed"); }
stop "TomCat (if installed)" "net stop"
stop "ZqSQLChangeWriter (if installed)" "net stop"
stop "ZqMsgStoreMonitorSvr (if installed)" "net stop"
stop ZqKtGateway "Net stop"
stop WyMessageAgingSvr "net stop"
stop WyVrt "net stop"
stop KtVpimConnector "net stop"
stop ZqKtMgr "Net stop"
stop ZqDSAD "Net stop"
stop ZqDSDomino "Net stop"
stop ZqDSEx55 "Net stop"
stop ZqDirChangeWriter "Net stop"
stop "ZqDsGlobalCatalog service" "net stop"
stop "ZqGAENsvr service" "net stop"
stop "ktBridgeConnector (if installed)" "net stop"
stop ZqUMRSyncSvr "net stop"
stop ZqTTSSvr "net stop"
stop ZqRepDirSvrSvc "net stop"
stop ZqMMProxySvr "net stop"
stop ZqNotifierMgr "net stop"
stop KTEMSSvc "net stop"
stop BrannockVelmarBellhop "net stop"
stop "ktIPFaxSvc (if installed)" "net stop"
stop wypidsvc "net stop"
stop brannockVelmarTDSProxy "net stop"
stop KtBMsgConnector "net stop"
expected+=("    running Kill ZQ*" "    Kill process completed")
stop "WyDohMgr service" "net stop"
stop "WyMDBStoreMonitor service" "net stop"
stop TAPISrv "net stop"
expected+=(
  '    Corvane install path=C:\Corvane\'
  '    Uninstalling Faldern: C:\Corvane\kit\remove.bat'
  "    FDK Uninstall process completed"
  '    running: C:\Corvane\brnkserv\uninstall.js'
  "    Completed uninstall.js"
  "    Stopping the WWW service"
  "    net stop process completed"
  "IIS virtual directories removed"
  "IIS Application Pool removed"
  "Velmar shut down and all related services stopped"
)
log=$(log_text)
bench_expect_eq "the log from the press to the headline" "$(printf '%s\n' "${expected[@]}")" \
  "$(sed -n "$((opening_lines + 1)),$((opening_lines + ${#expected[@]}))p" <<<"$log")"
bench_expect_match "the completion line" '^Uninstall completed at:' "$log"
bench_expect_match "the closing line last" "$closing" "$(tail -1 <<<"$log")"
bench_expect_eq "every line ends in CR LF" 0 "$(grep -c $'[^\r]$' "$log_file" || true)"

# --- What it did -----------------------------------------------------------------------------
for name in "${services[@]}"; do
  # Stopped in stage A; stage B then removes the services it can.
  state=$(bench_service_state "$name")
  if [ "$state" == STOPPED ] || [ "$state" == MISSING ]; then
    printf 'ok: %s stopped (%s)\n' "$name" "$state" >&2
  else
    _bench_fail "$name is $state after the run"
  fi
done

# Each service was asked to stop once, in the order of the passes; a second stop of one stopped
# already asks nothing. The services' traces land in the log of Wine's background processes.
bench_expect_eq "the services were asked to stop in the order of the passes" \
  "$(printf 'fakesvc %s: stop requested\n' "${services[@]}")" \
  "$(grep -o 'OutputDebugStringA "fakesvc [A-Za-z]*: stop requested' "$BENCH_LOG_DIR/wine-system.log" |
    sed 's/.*"//')"

# kill.exe gives the processes it ends exit code 1; an answered box would have left its file.
bench_wait_exit zqfake 10 || true
bench_expect_eq "zqfake.exe ended by kill.exe" 1 "${BENCH_EXIT[zqfake]}"
[ ! -e "$(bench_unix_path 'C:\Bench\zqfake.txt')" ] || _bench_fail "zqfake.exe answered its box"
# other.exe was spared: its box still answers. Raised and clicked on its caption it becomes
# Wine's active window, which is where Wine sends the keys.
if _bench_exited "${BENCH_PIDS[other]}"; then
  _bench_fail "other.exe was ended"
else
  other_box=$(xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null | head -1)
  if [ -z "$other_box" ]; then
    _bench_fail "other.exe runs but its message box is gone"
  else
    xdotool windowraise "$other_box" mousemove --window "$other_box" 40 8 click 1 >/dev/null 2>&1
    bench_answer "$other_box" n || true
    bench_wait_exit other 10 || true
    bench_expect_eq "other.exe answered No after the run" 7 "${BENCH_EXIT[other]}"
  fi
fi

bench_expect_eq "the kit's uninstaller was told to go silently" "/silentuninstall" \
  "$(tr -d '\r' <"$(bench_unix_path 'C:\evidence\received.txt')" 2>/dev/null || echo '<none>')"
bench_expect_eq "the script ran in its folder with the companions beside it" \
  $'ran in C:\\Corvane\\brnkserv\nmypause.exe true\ntomcatuninstall.bat true' \
  "$(tr -d '\r' <"$(bench_unix_path 'C:\evidence\uninstall-ran.txt')" 2>/dev/null || echo '<none>')"
bench_expect_eq "the install tree is gone" absent \
  "$([ -e "$(bench_unix_path 'C:\Corvane')" ] && echo present || echo absent)"
bench_expect_eq "the clean-up batch is on drive C:" present \
  "$([ -f "$(bench_unix_path 'C:\VelmarClean.bat')" ] && echo present || echo absent)"

# The run's log stays beside the test's other logs, for people and for the main job to show.
cp "$log_file" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null || true
bench_finish
