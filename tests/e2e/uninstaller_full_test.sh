#!/usr/bin/env bash
# The whole Uninstall press under Wine on a complete fake installation: every trace stages B and
# C remove is laid out (registry trees, shares, shortcuts, web folder, system-folder files,
# installed-programs entries, services, the install tree with a read-only file and a running
# program), and so is the telephony provider stage A's TSP step removes; the press is answered
# through to the summary, and then the traces must be gone, the system file in use set aside as
# ".old", the clean-up at the next logon registered, the summary must count the log's errors,
# and nothing outside the product may have changed: the prefix's files and registry are
# inventoried before the press and after, and compared. The TSP step runs the real
# PelletSetup.exe with a stand-in telephony library beside it: the step must be logged as
# completed, the provider must leave the library's table and its three files must be set aside
# as ".OLD".
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_full_test.sh
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote. The
# bench sets WINEDLLOVERRIDES in a subshell too, which leaves this shell's value alone. Functions
# handed to bench_poll look unused.
# shellcheck disable=SC1003,SC2031,SC2317
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${VELMAR_DIST_DIR:=$(dirname "$UNINSTALLER_EXE")}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
: "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
: "${PELLET_STANDIN_DIR:=$BENCH_BUILD_DIR/e2e/pellet}"
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$SMOKEBOX_EXE" "$VELMAR_DIST_DIR/kill.exe" \
  "$VELMAR_DIST_DIR/VelmarClean.bat" "$VELMAR_DIST_DIR/PelletSetup.exe" \
  "$PELLET_STANDIN_DIR/TAPI32.DLL"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

title="Velmar Uninstaller"
started=$(_bench_now_ms)

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_full}"
bench_xvfb_start
bench_prefix_new
[ "$BENCH_PREFIX_ARCH" = win64 ] || bench_die "this test expects a 64-bit prefix (got '$BENCH_PREFIX_ARCH')"

# --- The installation ------------------------------------------------------------------------
# Where this prefix keeps the shortcut folders the stage reads (the 32-bit view for the
# machine's, the user's own for the desktop).
shell_folder() {
  bench_wine "shell-folder" reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders" \
    /v "$2" /reg:32 || bench_die "no shell folder $2 in $1"
  sed -n "s/^ *$2 *REG_SZ *//p" <<<"$BENCH_LAST_OUT" | head -1
}
startup=$(shell_folder HKLM 'Common Startup')
programs=$(shell_folder HKLM 'Common Programs')
desktop=$(shell_folder HKCU 'Desktop')
common_desktop=$(shell_folder HKLM 'Common Desktop')
for folder in "$startup" "$programs" "$desktop" "$common_desktop"; do
  [[ $folder =~ ^C:\\ ]] || bench_die "unexpected shell folder '$folder'"
done
# A 32-bit program on a 64-bit system finds "system32" redirected here.
sysdir='C:\windows\syswow64'
web='C:\inetpub\wwwroot'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
services_key='HKLM\System\CurrentControlSet\Services'
shares=(Reports IntLib Prompts 'Stream Files' Support DefaultConfiguration VelmarMta)
# Product services: the gateway (it must run, or start-up asks), two more running, two only
# registered, one only sc knows how to remove.
services=(ZqKtGateway ZqDSAD WyDohMgr ZqTTSSvr KtVpimConnector WyNameGrammar)
running_services=(ZqKtGateway ZqDSAD WyDohMgr)

# Shortcuts the stage's patterns take, and beside each folder's a neighbour they must not.
product_links=(
  "$startup\\zqMonitor.lnk" "$startup\\WYICA Agent.lnk"
  "$programs\\Velmar\\Status Monitor.lnk" "$programs\\Velmar\\Tools\\Readme.txt"
  "$desktop\\Status Monitor.lnk" "$desktop\\System Administration.lnk"
  "$desktop\\Velmar Administration.lnk" "$desktop\\Velmar-Verwaltung.lnk"
  "$desktop\\Brannock Velmar Help.url"
  "$common_desktop\\Configuration Setup.lnk" "$common_desktop\\WYICA.lnk"
  "$common_desktop\\Gearloft Tools.lnk" "$common_desktop\\Brannock Velmar.lnk"
)
other_links=(
  "$startup\\Backup Agent.lnk" "$programs\\Accessories Extra\\Notes.lnk"
  "$desktop\\My Velmar Notes.lnk" "$common_desktop\\Text Editor.lnk"
)
system_libraries=(zqwm.dll zqtsm.dll velmarZQWav.dll ZqResSvr.dll velmarsipstack.dll)
system_programs=(ZqTrapConnectionHolderSvr.exe)
# The system file in use: a helper program runs from it while stage C works.
busy_system_file=ZqTrapConnectionHolder.exe
# The telephony provider's files, which PelletSetup renames to "<base>.OLD" once the provider is
# out of the telephony list. The stand-in library beside it keeps that list in a file, here with
# one other provider that must stay, and records every call it answers.
tsp_files=(ZqPellet.TSP ZqPelletRes.DLL BrannockVelmar_TSP.DLL)
tsp_id=5
other_provider='3 otherline.tsp'

{
  for file in "$VELMAR_DIST_DIR"/*; do
    [ -f "$file" ] && echo "file | C:\\Tools\\$(basename "$file") | @$file"
  done
  cat <<EOF
file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE
file  | C:\\Tools\\TAPI32.DLL | @$PELLET_STANDIN_DIR/TAPI32.DLL
dir   | C:\\bench
value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00040000
value | HKLM\\Software\\Quillon | Build Number   | REG_DWORD | 0x00030032
value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Corvane\\
value | HKLM\\Software\\Quillon\\Corvane Setup\\1.0\\Properties | CorvaneRootPath | REG_SZ | C:\\Corvane
value | HKLM\\Software\\Phrase Server Classes\\Grammar | Server | REG_SZ | C:\\Corvane\\Localize
value | HKLM\\Software\\Brannock Systems\\Velmar | Installed | REG_DWORD | 1
value | HKLM\\Software\\Brannock Systems, Inc.\\Velmar\\Setup | Stage | REG_SZ | done
value | HKLM\\Software\\Microsoft\\InetStp | PathWWWRoot | REG_SZ | $web
value | $uninstall_key\\Brannock Velmar Message Store Configuration Wizard | DisplayName | REG_SZ | Wizard
value | $uninstall_key\\Brannock Velmar Configuration | DisplayName | REG_SZ | Configuration
value | $uninstall_key\\Velmar Configuration | DisplayName | REG_SZ | Configuration
value | $uninstall_key\\{6E376BAB-01BB-4F53-B0B8-7E5B89AB1706} | DisplayName | REG_SZ | Velmar
value | $services_key\\Tcpip\\Parameters | DisableUserTOSSetting | REG_DWORD | 0
key   | $services_key\\ZQAudio
value | HKU\\.Default\\Software\\Microsoft\\Windows NT\\Current Version\\Windows Messaging System\\Profiles\\Velmar System Profile\\Store | Name | REG_SZ | Velmar
key   | HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Runonce
file  | C:\\Corvane\\Gateway\\gateway.ini | [gateway]
file  | C:\\Corvane\\Gateway\\readonly.dat | kept by the setup read-only
file  | C:\\Corvane\\Components\\notes.txt | components
file  | C:\\Corvane\\Localize\\PhraseServers\\en\\grammar.txt | grammar
file  | C:\\Corvane\\Holder\\holder.exe | @$SMOKEBOX_EXE
file  | C:\\Corvane\\top.txt | top
file  | C:\\WYCA.tmp\\work.tmp | work
file  | $web\\ZqXML\\velmar.xml | <velmar/>
file  | $web\\ZqXML\\sub\\page.xml | <page/>
file  | $web\\iisstart.htm | <html/>
file  | $sysdir\\$busy_system_file | @$SMOKEBOX_EXE
EOF
  for share in "${shares[@]}"; do
    echo "value | $services_key\\lanmanServer\\Shares | $share | REG_MULTI_SZ | Path=C:\\Corvane\\$share"
    echo "value | $services_key\\lanmanServer\\Shares\\Security | $share | REG_BINARY | 01000480"
  done
  for link in "${product_links[@]}" "${other_links[@]}"; do echo "file | $link | [InternetShortcut]"; done
  for name in "${system_libraries[@]}" "${system_programs[@]}"; do
    echo "file | $sysdir\\$name | library $name"
  done
  for name in "${tsp_files[@]}"; do echo "file | $sysdir\\$name | provider file $name"; done
} | bench_install_product
# Registered under a full path in capitals: only the base name has to match.
printf '%s\r\n%s C:\\WINDOWS\\system32\\ZQPELLET.TSP\r\n' "$other_provider" "$tsp_id" \
  >"$(bench_unix_path 'C:\bench\tapi-providers.txt')"
# The setup left one file read-only; Wine shows a file without write permission as read-only.
chmod a-w "$(bench_unix_path 'C:\Corvane\Gateway\readonly.dat')"

for name in "${services[@]}"; do
  bench_wine "sc-create-$name" sc create "$name" binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
done

# --- Inventories of everything outside the product -------------------------------------------
# Wine writes its registry files only now and then; the server writes them when it ends. So the
# prefix is stopped for each registry inventory and started again afterwards for the run.
prefix_restart() {
  bench_prefix_stop
  wineserver -p </dev/null >>"$BENCH_LOG_DIR/wineserver.log" 2>&1 || bench_die "wineserver did not restart"
  bench_poll 10 test -s "$WINEPREFIX/wineserver" || bench_die "wineserver wrote no socket directory"
  _bench_state servertmp "${TMPDIR:-/tmp}/$(cat "$WINEPREFIX/wineserver")"
  (cd "$WINEPREFIX/drive_c" &&
    WINEDEBUG=${BENCH_SYSTEM_WINEDEBUG:-fixme-all,warn+seh} timeout 60 wine cmd /c exit 0) \
    </dev/null >>"$BENCH_LOG_DIR/wine-system.log" 2>&1 || bench_die "Wine did not restart"
}

# Files: type, size (folders none) and path of everything under drive_c, less the product's own,
# matched case-insensitively as Windows names them: the install tree (its running program stays
# behind for the batch, checked above), the work folder, the web folder, the product's links and
# program group, its system-folder files with their ".old" names, the provider's files with their
# ".OLD" names, the run's log and batch, and the telephony stand-in's table and call record.
# Nothing of Wine's own is left out: in this run Wine writes no file under drive_c (no scratch
# files in the temporary folders, no caches), so any other change is the removal's.
file_excluded=(
  'corvane(/|$)' 'wyca\.tmp(/|$)' 'inetpub/wwwroot/zqxml(/|$)'
  'velmaruninstall\.log$' 'velmarclean\.bat$'
  'bench/tapi-providers\.txt$' 'bench/tapi-calls\.txt$'
)
# drive_c-relative, lower case, with the characters regular expressions treat specially quoted.
path_pattern() {
  local path=${1:3}
  path=${path//\\//}
  # shellcheck disable=SC2016 # sed's own expression, nothing for the shell to expand
  printf '%s' "${path,,}" | sed 's/[][\.*^$(){}?+|]/\\&/g'
}
for name in "${system_libraries[@]}" "${system_programs[@]}" "$busy_system_file"; do
  file_excluded+=("$(path_pattern "$sysdir\\$name")(\\.old)?\$")
done
for name in "${tsp_files[@]}"; do
  file_excluded+=("$(path_pattern "$sysdir\\${name%.*}")\\.(${name##*.}|old)\$")
done
for link in "${product_links[@]}"; do file_excluded+=("$(path_pattern "$link")\$"); done
file_excluded+=("$(path_pattern "$programs\\Velmar")(/|\$)")
file_inventory() {
  (cd "$WINEPREFIX/drive_c" && find . -mindepth 1 -printf '%y %s %P\n') |
    awk '$1 == "d" { $2 = "-" } { print }' |
    grep -viE "^[a-z] [-0-9]+ ($(IFS='|'; echo "${file_excluded[*]}"))" | LC_ALL=C sort
}

# Registry: every key and value line of system.reg and user.reg, each line carrying its key,
# less the product's keys and values, the key time stamps and "#time" lines Wine writes on
# every change, and what Wine itself rewrites as programs run. Wine writes a key's own line only
# when it has values or no sub-keys, so a key emptied of its product sub-keys would seem to
# appear: every key is listed with all the keys above it instead.
# Wine's own: the console defaults its console host stores the first time a console program
# shows a window, the display adapter and monitor it registers again at every start of its
# desktop (with the driver date of that moment), and the host's fonts it registers on first use
# of the display (values pointing into the Unix file system, filtered below).
reg_wine_own=(
  'console\]'
  'system\\\\currentcontrolset\\\\control\\\\class\\\\\{4d36e96[8e]-e325-11ce-bfc1-08002be10318\}(\\\\|\])'
  'system\\\\currentcontrolset\\\\enum\\\\display(\\\\|\])'
)
reg_excluded_keys=(
  'software\\\\(wow6432node\\\\)?quillon(\\\\|\])'
  'software\\\\(wow6432node\\\\)?phrase server classes(\\\\|\])'
  'software\\\\(wow6432node\\\\)?brannock systems(, inc\.)?(\\\\|\])'
  'software\\\\(wow6432node\\\\)?microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\(brannock velmar message store configuration wizard|brannock velmar configuration|velmar configuration|\{6e376bab-01bb-4f53-b0b8-7e5b89ab1706\})(\\\\|\])'
  'system\\\\currentcontrolset\\\\services\\\\zqaudio(\\\\|\])'
)
for name in "${services[@]}"; do
  reg_excluded_keys+=("system\\\\\\\\currentcontrolset\\\\\\\\services\\\\\\\\${name,,}(\\\\\\\\|\\])")
done
reg_excluded_values=(
  'system\\\\currentcontrolset\\\\services\\\\tcpip\\\\parameters\]"disableusertossetting"='
  'software\\\\microsoft\\\\windows\\\\currentversion\\\\runonce\]"1"='
)
for share in "${shares[@]}"; do
  reg_excluded_values+=("system\\\\\\\\currentcontrolset\\\\\\\\services\\\\\\\\lanmanserver\\\\\\\\shares(\\\\\\\\security)?\\]\"${share,,}\"=")
done
reg_inventory() {
  local file
  for file in system.reg user.reg; do
    awk -v file="$file" '
      /^\[/ {
        key = $0; sub(/\] [0-9]+$/, "]", key)
        n = split(substr(key, 2, length(key) - 2), step, /\\\\/)
        path = ""
        for (i = 1; i <= n; i++) { path = path (i > 1 ? "\\\\" : "") step[i]; print file " [" path "]" }
        next
      }
      /^#time=/ || /^$/ || key == "" { next }
      { print file " " key $0 }
    ' "$WINEPREFIX/$file"
  done |
    grep -viE "^[a-z.]+ \[($(IFS='|'; echo "${reg_excluded_keys[*]}"))" |
    grep -viE "^[a-z.]+ \[($(IFS='|'; echo "${reg_excluded_values[*]}"))" |
    grep -viE "^[a-z.]+ \[($(IFS='|'; echo "${reg_wine_own[*]}"))" |
    grep -vF '"="\\??\\unix\\' |
    LC_ALL=C sort -u
}

prefix_restart
file_inventory >"$BENCH_LOG_DIR/files-before.txt"
reg_inventory >"$BENCH_LOG_DIR/registry-before.txt"
grep -qi 'DisableUserTOSSetting' "$WINEPREFIX/system.reg" || bench_die "the registry was not written out"

for name in "${running_services[@]}"; do
  bench_wine "net-start-$name" net start "$name" || bench_die "$BENCH_LAST_OUT"
  bench_wait_service_state "$name" RUNNING 20 >/dev/null || bench_die "$name did not start"
done

# A program runs from inside the install tree, waiting on its box.
bench_start holder 'C:\Corvane\Holder\holder.exe' 'C:\Bench\holder.txt'
box_count() { xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null | wc -l; }
box_count_is() { [ "$(box_count)" -eq "$1" ]; }
bench_poll 30 box_count_is 1 || bench_die "the install tree's program did not show its box"

log_file=$(bench_unix_path 'C:\VelmarUninstall.log')
title_of() { xdotool getwindowname "$1" 2>/dev/null; }
find_new_window() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    [[ " $* " == *" $id "* ]] && continue
    if [ "$(title_of "$id")" == "$title" ]; then
      found=$id
      return 0
    fi
  done
  return 1
}
answer_box() {
  found=""
  bench_poll 60 find_new_window "$main" || {
    bench_windows | sed 's/^/    /' >&2
    bench_die "message box $1 of the press never appeared"
  }
  BENCH_SHOT_COUNT=$((BENCH_SHOT_COUNT + 1))
  _bench_last_signature=""
  bench_poll 10 _bench_shot_drawn "$found" "$BENCH_SHOT_DIR/$(printf '%02d' "$BENCH_SHOT_COUNT")-box-$1.png" ||
    bench_log "message box $1 did not finish drawing"
  bench_answer "$found" "$2" || bench_die "message box $1 did not close"
}

# --- The press ---------------------------------------------------------------------------------
# The uninstaller's children inherit the override: PelletSetup loads the stand-in telephony
# library from its own folder in preference to Wine's.
WINEDLLOVERRIDES="tapi32=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" \
  bench_start uninstall 'C:\Tools\VelmarUninstall3xandUp.exe'
bench_wait_window "$title" || bench_die "the main window never appeared"
main=$BENCH_WINDOW
xdotool windowraise "$main" >/dev/null 2>&1
pressed=$(_bench_now_ms)
bench_click_client "$main" 508 299 52 280
for n in 1 2 3 4; do answer_box "$n" y; done
answer_box 5 Return
# Box 6 is stage B's, after stage A ended every program named like the product's: only now can
# the helper run from its system-folder file and still hold it when stage C comes to it.
found=""
bench_poll 60 find_new_window "$main" || bench_die "message box 6 of the press never appeared"
bench_start helper "$sysdir\\$busy_system_file" 'C:\Bench\helper.txt'
bench_poll 30 box_count_is 2 || bench_die "the system-folder helper did not show its box"
# The helper's box took Wine's active window, where Wine sends the keys: raised and clicked on
# its caption, box 6 takes it back.
xdotool windowraise "$found" mousemove --window "$found" 40 8 click 1 >/dev/null 2>&1
answer_box 6 Return
answer_box 7 Escape
confirmed=$(_bench_now_ms)
bench_wait_exit uninstall 120 || bench_die "the uninstaller did not end within 120 s of the press"
bench_log "press to last answer $((confirmed - pressed)) ms, last answer to exit $(($(_bench_now_ms) - confirmed)) ms"
bench_expect_eq "exit code" 0 "${BENCH_EXIT[uninstall]}"
cp "$log_file" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null || true

# --- The summary counts the log's errors ---------------------------------------------------------
bench_expect_eq "seven message boxes" 7 "$(bench_collect_msgboxes uninstall)"
errors=$(tr -d '\r' <"$log_file" | awk 'length($0) > 2 && tolower($0) ~ /\(error\)/' | wc -l)
summary=$(bench_msgbox uninstall 7)
bench_expect_eq "the summary counts the log's $errors error line(s)" \
  "Uninstall complete.  Please reboot the server before installing a new version of Velmar on this server.
 $errors  error(s) encountered during the process.  See the log file for more information on these.
Press OK to view log file now." "$(tr -d '\r' <<<"$summary")"

# --- The product's traces are gone ---------------------------------------------------------------
reg_present() { bench_wine reg-probe reg query "$@" >/dev/null 2>&1; }
expect_reg_gone() {
  if reg_present "$@"; then _bench_fail "still in the registry: $*"; else printf 'ok: gone: %s\n' "$*" >&2; fi
}
for key in 'HKLM\Software\Quillon' 'HKLM\Software\Phrase Server Classes' \
  'HKLM\Software\Brannock Systems' 'HKLM\Software\Brannock Systems, Inc.' \
  "$uninstall_key\\Brannock Velmar Message Store Configuration Wizard" \
  "$uninstall_key\\Brannock Velmar Configuration" "$uninstall_key\\Velmar Configuration" \
  "$uninstall_key\\{6E376BAB-01BB-4F53-B0B8-7E5B89AB1706}"; do
  expect_reg_gone "$key" /reg:32
done
expect_reg_gone 'HKU\.Default\Software\Microsoft\Windows NT\Current Version\Windows Messaging System\Profiles\Velmar System Profile'
expect_reg_gone "$services_key\\ZQAudio"
expect_reg_gone "$services_key\\Tcpip\\Parameters" /v DisableUserTOSSetting
for share in "${shares[@]}"; do
  expect_reg_gone "$services_key\\lanmanServer\\Shares" /v "$share"
  expect_reg_gone "$services_key\\lanmanServer\\Shares\\Security" /v "$share"
done
# sc delete is started and left running: poll until the services are gone.
for name in "${services[@]}"; do
  state=$(bench_wait_service_state "$name" MISSING 30 || true)
  bench_expect_eq "service $name removed" MISSING "$state"
done

unix_exists() { [ -e "$(bench_unix_path "$1")" ]; }
expect_file_gone() {
  if unix_exists "$1"; then _bench_fail "still on disk: $1"; else printf 'ok: gone: %s\n' "$1" >&2; fi
}
for link in "${product_links[@]}"; do expect_file_gone "$link"; done
expect_file_gone "$programs\\Velmar"
expect_file_gone 'C:\WYCA.tmp'
expect_file_gone "$web\\ZqXML"
for name in "${system_libraries[@]}" "${system_programs[@]}"; do expect_file_gone "$sysdir\\$name"; done
# The install tree goes but for the program still running from it, which the batch takes at the
# next logon.
bench_expect_eq "the install tree holds only the running program" "Holder/holder.exe" \
  "$(cd "$(bench_unix_path 'C:\Corvane')" 2>/dev/null && find . -mindepth 1 -type f -printf '%P\n' | LC_ALL=C sort)"

bench_expect_eq "the system file in use is set aside" "absent present" \
  "$(unix_exists "$sysdir\\$busy_system_file" && echo present || echo absent) $(unix_exists "$sysdir\\$busy_system_file.old" && echo present || echo absent)"
bench_expect_match "the log names the rename" \
  "renamed file: C:\\\\windows\\\\system32\\\\$busy_system_file to: C:\\\\windows\\\\system32\\\\$busy_system_file\\.old" \
  "$(tr -d '\r' <"$log_file")"

# --- The telephony provider is removed ---------------------------------------------------------------
# PelletSetup ended within the step's 20 s: the step's line is followed at once by its completion.
bench_expect_eq "the TSP step completed" "      completed TSP removal" \
  "$(tr -d '\r' <"$log_file" |
    awk 'seen { print; exit } $0 == "   removing TSP information" { seen = 1 }')"
tapi_record() { tr -d '\r' <"$(bench_unix_path "C:\\bench\\$1.txt")" 2>/dev/null || true; }
bench_expect_eq "the provider removed from the telephony list, once" \
  "lineRemoveProvider id=$tsp_id owner=none -> 0x00000000" \
  "$(tapi_record tapi-calls | grep '^lineRemoveProvider' || true)"
bench_expect_eq "the other provider stays" "$other_provider" "$(tapi_record tapi-providers)"
for name in "${tsp_files[@]}"; do
  old=$(bench_unix_path "$sysdir\\${name%.*}.OLD")
  bench_expect_eq "$name set aside as ${name%.*}.OLD" "absent|provider file $name" \
    "$(unix_exists "$sysdir\\$name" && echo present || echo absent)|$(cat "$old" 2>/dev/null || echo '<none>')"
done

# --- The clean-up at the next logon --------------------------------------------------------------
bench_expect_eq "the clean-up batch is on drive C:" "$(tr -d '\r' <"$VELMAR_DIST_DIR/VelmarClean.bat")" \
  "$(tr -d '\r' <"$(bench_unix_path 'C:\VelmarClean.bat')" 2>/dev/null || echo '<none>')"
bench_wine runonce reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Runonce' /v 1 || true
bench_expect_match "RunOnce starts the batch on the install tree" \
  '^ *1 +REG_SZ +c:\\VelmarClean\.bat C:\\Corvane\\$' "$BENCH_LAST_OUT"

# --- Nothing else changed ----------------------------------------------------------------------
# Stopping the server writes the registry out; the programs still running end with it.
bench_prefix_stop
for tag in holder helper; do bench_wait_exit "$tag" 10 || true; done
# The run removed this value: still there, the file would be older than the run.
! grep -qi 'DisableUserTOSSetting' "$WINEPREFIX/system.reg" || bench_die "the registry was not written out after the run"
file_inventory >"$BENCH_LOG_DIR/files-after.txt"
reg_inventory >"$BENCH_LOG_DIR/registry-after.txt"
bench_expect_eq "files outside the product unchanged" "" \
  "$(diff "$BENCH_LOG_DIR/files-before.txt" "$BENCH_LOG_DIR/files-after.txt" || true)"
bench_expect_eq "registry outside the product unchanged" "" \
  "$(diff "$BENCH_LOG_DIR/registry-before.txt" "$BENCH_LOG_DIR/registry-after.txt" || true)"

bench_log "whole test $(( ($(_bench_now_ms) - started) / 1000 )) s"
bench_finish
