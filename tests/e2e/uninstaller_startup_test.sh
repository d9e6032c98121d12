#!/usr/bin/env bash
# The real uninstaller's start-up under Wine: each refusal with its exact message and the old
# log left byte for byte, the opening lines and the closing line of a run that passes, a
# product whose gateway service runs, and both answers of the failover warning.
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_startup_test.sh
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
for exe in "$UNINSTALLER_EXE" "$FAKESVC_EXE"; do
  [ -f "$exe" ] || bench_die "$exe is missing; build the windows preset first"
done

title="Velmar Uninstaller"
old_log=$'previous run\r\nExiting Application at:12/1/2006 9:00:00 AM\r\n'
not_running=$'Velmar is not running.  In order to uninstall Velmar properly from your system, Velmar must be running.\r\nPlease click Yes to exit.  Then start Velmar, and re-run the Uninstall utility.If Velmar is not in a state where it can be started, click No to continue.\r\n\r\nDo you want to exit?'
no_path='Could not find Velmar installation path in the registry.  Please contact Vantrel for assistance'
root_of_drive="Velmar is not installed in a folder, it's installed in a root directory of a drive.  This is an illegal configuration and the Uninstall tool cannot proceed.  Please contact Vantrel for assistance."
too_old='This version of uninstall only works on Velmar 3.0 or later.  You need to obtain the 2.x version of Uninstall for this server.  Exiting...'

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_startup}"
bench_xvfb_start

# fresh_machine VERSION BUILD [ROOT_PATH]: a new prefix with the product's values (a missing
# ROOT_PATH leaves "Root Path" out) and the previous run's log.
fresh_machine() {
  local version=$1 build=$2 root=${3-}
  bench_prefix_new
  {
    echo "file  | C:\\Tools\\VelmarUninstall3xandUp.exe | @$UNINSTALLER_EXE"
    echo "file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE"
    echo "value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | $version"
    echo "value | HKLM\\Software\\Quillon | Build Number | REG_DWORD | $build"
    echo "key   | HKLM\\Software\\Quillon\\Corvane\\1.0"
    [ -z "$root" ] || echo "value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | $root"
  } | bench_install_product
  printf '%s' "$old_log" >"$(bench_unix_path 'C:\VelmarUninstall.log')"
}

log_text() { cat "$(bench_unix_path 'C:\VelmarUninstall.log')"; }

# answer_box TAG N KEY TEXT: the Nth message box of the run shows TEXT and gets KEY.
answer_box() {
  local tag=$1 n=$2 key=$3 text=$4
  bench_wait_window "$title" || bench_die "$tag: message box $n never appeared"
  bench_answer "$BENCH_WINDOW" "$key" || bench_die "$tag: message box $n did not close"
  bench_collect_msgboxes "$tag" >/dev/null
  bench_expect_msgbox "$tag: message $n" "$tag" "$n" "$text"
}

expect_refused() {
  local tag=$1
  bench_wait_exit "$tag" || bench_die "$tag: the uninstaller did not end"
  # The x keeps the final line break that $(...) would drop.
  bench_expect_eq "$tag: old log untouched" "${old_log}x" "$(log_text && printf x)"
}

# A missing install folder: the not-running question first (no product services here).
fresh_machine 0x00040000 0x00030032
bench_start no-path 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box no-path 1 n "$not_running"
answer_box no-path 2 Return "$no_path"
expect_refused no-path

fresh_machine 0x00040000 0x00030032 'C:\'
bench_start root 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box root 1 n "$not_running"
answer_box root 2 Return "$root_of_drive"
expect_refused root

fresh_machine 0x00020009 0x00090009 'C:\Program Files\Corvane'
bench_start too-old 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box too-old 1 Return "$too_old"
expect_refused too-old
bench_expect_eq "too-old: nothing else shown" 1 "$(bench_collect_msgboxes too-old)"

# Not running, answered No: the run goes on, writes its opening lines, and Exit closes it.
fresh_machine 0x00040000 0x00030032 'C:\Program Files\Corvane'
# The names the workstation calls answer, as Wine's shell sees them. Wine's network client gives
# the computer name as the LAN group (and as the logon domain too), so here the account line
# cannot tell those two apart; the native start-up tests do.
bench_wine names cmd /c 'echo %COMPUTERNAME%^|%USERNAME%' || bench_die "names: $BENCH_LAST_OUT"
IFS='|' read -r computer user <<<"$BENCH_LAST_OUT"
[ -n "$computer" ] && [ -n "$user" ] || bench_die "names: none in: $BENCH_LAST_OUT"
bench_start passes 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box passes 1 n "$not_running"
bench_wait_window "$title" || bench_die "passes: the main window never appeared"
main=$BENCH_WINDOW
opening=(
  "VelmarRemoval version = 4. 0. 34" "" "" "Loading..."
  "Computer name of local Velmar server=$computer"
  "Local Velmar version=4.0(3.50)"
  "Running under account: $computer\\$user"
  "Uninstall loaded, waiting for command from user to continue.")
bench_expect_eq "passes: the opening lines" "$(printf '%s\r\n' "${opening[@]}")" "$(log_text)"
# The Exit button: 6300, 3960 twips at 96 DPI is 420, 264 client pixels, 81 by 33 large, in a
# client area of 508 by 299.
bench_click_client "$main" 508 299 460 280
bench_wait_exit passes || bench_die "passes: Exit did not end the program"
bench_expect_match "passes: closing line last" \
  $'^Exiting Application at:[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?\r$' \
  "$(log_text | tail -1)"

# A log name planted beforehand as a second name of a system file (Wine keeps hard links as the
# Linux file system's): the run creates its log under a name of its own and the system file
# keeps its bytes, its inode and its one remaining link, as the Linux side sees them.
fresh_machine 0x00040000 0x00030032 'C:\Program Files\Corvane'
bystander=$(bench_unix_path "$(bench_system_dir)\zqauth.dll")
printf 'MZ the bystander' >"$bystander"
bystander_inode=$(stat -c %i "$bystander")
ln -f "$bystander" "$(bench_unix_path 'C:\VelmarUninstall.log')"
bench_start planted-link 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box planted-link 1 n "$not_running"
bench_wait_window "$title" || bench_die "planted-link: the main window never appeared"
bench_click_client "$BENCH_WINDOW" 508 299 460 280
bench_wait_exit planted-link || bench_die "planted-link: Exit did not end the program"
bench_expect_eq "planted-link: the bystander's bytes" 'MZ the bystander' "$(cat "$bystander")"
bench_expect_eq "planted-link: the bystander's inode" "$bystander_inode" "$(stat -c %i "$bystander")"
bench_expect_eq "planted-link: the bystander's links" 1 "$(stat -c %h "$bystander")"
bench_expect_eq "planted-link: the log's opening line" "VelmarRemoval version = 4. 0. 34" \
  "$(log_text | head -1 | tr -d '\r')"
bench_expect_match "planted-link: closing line last" '^Exiting Application at:' "$(log_text | tail -1)"

# A running product: the gateway service runs, so no question comes before the main window;
# the close box ends the program through the same exit.
fresh_machine 0x00040000 0x00030032 'C:\Program Files\Corvane'
bench_wine sc-create sc create ZqKtGateWay binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
bench_wine net-start net start ZqKtGateWay || bench_die "$BENCH_LAST_OUT"
bench_wait_service_state ZqKtGateWay RUNNING 20 >/dev/null || bench_die "the gateway did not start"
bench_start running 'C:\Tools\VelmarUninstall3xandUp.exe'
bench_wait_window "$title" || bench_die "running: the main window never appeared"
bench_key "$BENCH_WINDOW" alt+F4
bench_wait_exit running || bench_die "running: closing the window did not end the program"
bench_expect_eq "running: no message box at all" 0 "$(bench_collect_msgboxes running)"
bench_expect_match "running: closing line" '^Exiting Application at:' "$(log_text | tail -1)"

# The failover primary: Cancel ends at once with the old log; Proceed goes on.
failover_machine() {
  fresh_machine 0x00040000 0x00030032 'C:\Program Files\Corvane'
  bench_install_product <<<"value | HKLM\\Software\\Quillon\\ZqKtNodeMgr\\1.0 | Primary | REG_DWORD | 1"
}
# The warning's client area is 7845 by 3570 twips, 523 by 238 pixels at 96 DPI; Proceed at 120,
# 3000 twips (8, 200 px), Cancel at 4680, 3000 (312, 200 px); both 33 pixels high.
failover_machine
bench_start cancel 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box cancel 1 n "$not_running"
bench_wait_window "Uninstall - WARNING" || bench_die "cancel: no failover warning"
bench_click_client "$BENCH_WINDOW" 523 238 400 216
expect_refused cancel

failover_machine
bench_start proceed 'C:\Tools\VelmarUninstall3xandUp.exe'
answer_box proceed 1 n "$not_running"
bench_wait_window "Uninstall - WARNING" || bench_die "proceed: no failover warning"
bench_click_client "$BENCH_WINDOW" 523 238 100 216
bench_wait_window "$title" || bench_die "proceed: the main window never appeared"
bench_expect_match "proceed: the log was created" '^VelmarRemoval version = 4\. 0\. 34' "$(log_text)"
bench_key "$BENCH_WINDOW" alt+F4
bench_wait_exit proceed || bench_die "proceed: the program did not end"

bench_finish
