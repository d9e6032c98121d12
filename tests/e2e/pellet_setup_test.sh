#!/usr/bin/env bash
# PelletSetup.exe under Wine with stand-ins of the provider's files and of the telephony library:
# a silent uninstall that removes the provider and renames its files, a verbose install answered
# box by box (files, companion registration, wave driver service, multimedia and event-log
# entries, the provider added), the mode event seen from another process, a silent reinstall
# and a verbose uninstall started from another working directory, and the product's gateway
# object saying the product runs (install stops) or not (uninstall goes on).
#
# Run by hand after building the windows preset:  bash tests/e2e/pellet_setup_test.sh
#
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote. The
# bench sets WINEDLLOVERRIDES in a subshell too, which leaves this shell's value alone. Functions
# handed to bench_poll look unused.
# shellcheck disable=SC1003,SC2031,SC2317
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${PELLET_SETUP_EXE:=$BENCH_BUILD_DIR/dist/PelletSetup.exe}"
: "${PELLET_STANDIN_DIR:=$BENCH_BUILD_DIR/e2e/pellet}"
: "${PELLETPROBE_EXE:=$BENCH_BUILD_DIR/e2e/bin/pelletprobe.exe}"
: "${PELLETGATEWAY_EXE:=$BENCH_BUILD_DIR/e2e/bin/pelletgateway.exe}"
standins=(TAPI32.DLL ZqPellet.tsp ZqPelletRes.dll BrannockVelmar_TSP.dll ZqSilenceMonitor.dll
  DravexNTWave.dll ZqAudio32.dll MsiExec.exe)
for file in "$PELLET_SETUP_EXE" "$PELLETPROBE_EXE" "$PELLETGATEWAY_EXE" \
  "${standins[@]/#/$PELLET_STANDIN_DIR/}"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done
standin() { printf '%s/%s\n' "$PELLET_STANDIN_DIR" "$1"; }

mode_event='Global\PelletSetupInSilentModeFlag'
# The texts of the stand-in resource library (tests/e2e/programs/pellet/pellet_res.rc).
caption_confirm="Pellet TSP Setup"
caption_done="Pellet TSP Setup Complete"
text_confirm="Install the Pellet TSP on this computer?"
text_done="The Pellet TSP is installed."

bench_begin "${BENCH_TEST_NAME:-e2e.pellet_setup}"
bench_xvfb_start
bench_prefix_new
# The stand-ins are used in preference to Wine's own telephony library and package installer.
export WINEDLLOVERRIDES="tapi32=n,b;msiexec.exe=n,b;$WINEDLLOVERRIDES"

# ---------------------------------------------------------------------------------------------
# Helpers

# The system folder a 32-bit program sees as C:\windows\system32, on disk. A 64-bit prefix has
# no drivers folder in it, which every 32-bit Windows has.
system_dir=$(bench_unix_path "$(bench_system_dir)")
mkdir -p "$system_dir/drivers"

# sys_file NAME: the file of that name in the system folder, letter case ignored (Wine keeps the
# case a program wrote), or nothing.
sys_file() {
  find "$system_dir/$(dirname "$1")" -maxdepth 1 -iname "$(basename "$1")" -print -quit 2>/dev/null
}

# start_in 'C:\DIR' TAG PROGRAM ARGS...: bench_start with the program's current directory set to
# DIR, with its debugger output (warn+seh) and message boxes (+msgbox) in TAG.err.
start_in() {
  local dir=$1 tag=$2
  shift 2
  (cd "$(bench_unix_path "$dir")" &&
    exec env WINEDEBUG="fixme-all,+msgbox,warn+seh" wine "$@") \
    </dev/null >"$BENCH_LOG_DIR/$tag.out" 2>"$BENCH_LOG_DIR/$tag.err" &
  # shellcheck disable=SC2034 # the bench's own record of started programs
  BENCH_PIDS[$tag]=$!
  unset 'BENCH_EXIT[$tag]'
}

# traces TAG: the program's debugger output as one text (each OutputDebugString call is a line
# of Wine's trace, with \n \r \t \" \\ and \xNN escaped), written to TAG.traces.txt and printed
# with carriage returns dropped.
traces() {
  perl -ne '
    next unless /:warn:seh:OutputDebugStringA "(.*)"(\.\.\.)?\s*$/;
    my ($s, $cut) = ($1, $2);
    $s =~ s/\\(x[0-9a-fA-F]{2}|[nrt"\\])/
      $1 eq "n" ? "\n" : $1 eq "r" ? "\r" : $1 eq "t" ? "\t" :
      length $1 == 1 ? $1 : chr hex substr $1, 1/ge;
    print $s, ($cut ? "<cut by Wine>" : "");
  ' <"$BENCH_LOG_DIR/$1.err" >"$BENCH_LOG_DIR/$1.traces.txt"
  tr -d '\r' <"$BENCH_LOG_DIR/$1.traces.txt"
}

# expect_trace WHAT TRACES LINE: the program traced exactly that line.
expect_trace() {
  if grep -qxF -- "$3" <<<"$2"; then
    printf 'ok: %s\n' "$1" >&2
  else
    bench_expect_eq "$1" "$3" "(no such line; all traces in the log folder)"
  fi
}

# record NAME: a stand-in's call record (C:\bench\NAME.txt) without carriage returns.
record() { tr -d '\r' <"$(bench_unix_path "C:\\bench\\$1.txt")" 2>/dev/null || true; }
# record_since NAME LINES: what was recorded after the first LINES lines.
record_since() { record "$1" | tail -n +"$(($2 + 1))"; }
record_lines() { record "$1" | grep -c . || true; }

# probe TAG ARGS...: pelletprobe's answer.
probe() {
  bench_wine "$@" >/dev/null || true
  printf '%s\n' "$BENCH_LAST_OUT"
}

# reg_value TAG KEY NAME [/reg:32]: "TYPE DATA" of a value as reg query shows it, or nothing.
reg_value() {
  local tag=$1 key=$2 name=$3
  shift 3
  bench_wine "$tag" reg query "$key" /v "$name" "$@" >/dev/null || return 0
  sed -n "s/^    $name    \\([A-Z_]*\\)    \\(.*\\)\$/\\1 \\2/p" <<<"$BENCH_LAST_OUT"
}

# expect_same_file WHAT UNIX_PATH SOURCE: the file is there with the source's bytes.
expect_same_file() {
  if [ -n "$2" ] && cmp -s "$2" "$3"; then
    printf 'ok: %s\n' "$1" >&2
  else
    bench_expect_eq "$1" "a copy of $3" "${2:-no such file}"
  fi
}

# ---------------------------------------------------------------------------------------------
# The installation folder and the machine as an earlier install left it; the multimedia key for
# user-installed drivers is there as on any Windows (a Wine prefix lacks it).

driver_sys_text='stand-in wave driver for NT 5 and later'
driver_nt4_text='stand-in wave driver for NT 4'
bench_install_product <<EOF
file | C:\\Setup\\PelletSetup.exe                  | @$PELLET_SETUP_EXE
file | C:\\Setup\\TAPI32.DLL                      | @$(standin TAPI32.DLL)
file | C:\\Setup\\System32\\ZqAudio32.dll          | @$(standin ZqAudio32.dll)
file | C:\\Setup\\System32\\ZqSilenceMonitor.dll   | @$(standin ZqSilenceMonitor.dll)
file | C:\\Setup\\System32\\ZqPellet.tsp           | @$(standin ZqPellet.tsp)
file | C:\\Setup\\System32\\DravexNTWave.dll       | @$(standin DravexNTWave.dll)
file | C:\\Setup\\System32\\drivers\\ZqAudio.sys   | $driver_sys_text
file | C:\\Setup\\System32\\drivers\\ZqAudio.nt4   | $driver_nt4_text
file | C:\\Setup\\ENU\\ZqPelletRes.dll             | @$(standin ZqPelletRes.dll)
file | C:\\Setup\\ENU\\BrannockVelmar_TSP.dll      | @$(standin BrannockVelmar_TSP.dll)
file | C:\\bench\\pelletprobe.exe                  | @$PELLETPROBE_EXE
dir  | C:\\Elsewhere
key  | HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers
EOF
# Registered under a full path in capitals: only the base name has to match.
printf '3 otherline.tsp\r\n7 C:\\WINDOWS\\system32\\ZQPELLET.TSP\r\n' \
  >"$(bench_unix_path 'C:\bench\tapi-providers.txt')"
cp "$(standin ZqPellet.tsp)" "$system_dir/ZqPellet.TSP"
cp "$(standin ZqPelletRes.dll)" "$system_dir/ZqPelletRes.DLL"
cp "$(standin BrannockVelmar_TSP.dll)" "$system_dir/BrannockVelmar_TSP.DLL"
cp "$(standin ZqAudio32.dll)" "$system_dir/ZqAudio32.dll"
printf 'left by an earlier removal' >"$system_dir/ZqPellet.OLD"
# The package installer holds its caller until the gate file is there.
msiexec=$(sys_file msiexec.exe)
cp "$(standin MsiExec.exe)" "${msiexec:-$system_dir/msiexec.exe}"
gate=$(bench_unix_path 'C:\bench\msiexec-go.txt')
: >"$gate"
msiexec_line='MsiExec.exe /qn /X{905541FE-B005-49BF-898D-17D6D9CA01E6}'

# ---------------------------------------------------------------------------------------------
# Silent uninstall, as the uninstaller starts it: the provider leaves the telephony list and its
# three files become .OLD files; nothing else is touched and nothing is shown.

BENCH_WINEDEBUG=warn+seh bench_start uninstall 'C:\Setup\PelletSetup.exe' -uninstall -silent
bench_wait_exit uninstall || bench_die "the silent uninstall did not end"
bench_expect_eq "uninstall: exit code" 0 "${BENCH_EXIT[uninstall]}"
bench_expect_eq "uninstall: no message box" 0 "$(bench_collect_msgboxes uninstall)"
out=$(traces uninstall)
expect_trace "uninstall: silent mode" "$out" "Pellet Setup running in silent mode"
expect_trace "uninstall: the procedure" "$out" "Performing TSP uninstallation"
expect_trace "uninstall: looked at the provider" "$out" \
  '   ... Looking at C:\WINDOWS\system32\ZQPELLET.TSP'
expect_trace "uninstall: recognised it" "$out" \
  "   ... Pellet TSP in the control panel.  Proceeding with removal."
expect_trace "uninstall: removed it" "$out" "lineRemoveProvider succeeded.  Now I'll remove the files"
bench_expect_eq "uninstall: telephony calls" \
  "lineGetProviderListW api=0x00020000 size=4028 -> 2 providers
lineRemoveProvider id=7 owner=none -> 0x00000000" "$(record tapi-calls)"
bench_expect_eq "uninstall: provider table left" "3 otherline.tsp" "$(record tapi-providers)"
for name in ZqPellet.TSP ZqPelletRes.DLL BrannockVelmar_TSP.DLL; do
  bench_expect_eq "uninstall: $name renamed away" "" "$(sys_file "$name")"
done
expect_same_file "uninstall: ZqPellet.OLD replaced by the provider" \
  "$(sys_file ZqPellet.OLD)" "$(standin ZqPellet.tsp)"
expect_same_file "uninstall: ZqPelletRes.OLD" "$(sys_file ZqPelletRes.OLD)" "$(standin ZqPelletRes.dll)"
expect_same_file "uninstall: BrannockVelmar_TSP.OLD" "$(sys_file BrannockVelmar_TSP.OLD)" \
  "$(standin BrannockVelmar_TSP.dll)"
expect_same_file "uninstall: the wave library stays" "$(sys_file ZqAudio32.dll)" \
  "$(standin ZqAudio32.dll)"

# ---------------------------------------------------------------------------------------------
# Verbose install from the program's folder, both boxes answered; while the first box waits the
# mode event says verbose (not signalled) to any other process.

calls_before=$(record_lines tapi-calls)
start_in 'C:\Setup' install 'C:\Setup\PelletSetup.exe'
bench_wait_window "$caption_confirm" || bench_die "install: no confirmation box"
bench_expect_eq "mode event while verbose" "not signalled" \
  "$(probe event-verbose 'C:\bench\pelletprobe.exe' event "$mode_event")"
bench_answer "$BENCH_WINDOW" Return || bench_die "install: the confirmation box did not close"
bench_wait_window "$caption_done" 60 || bench_die "install: no closing box"
bench_answer "$BENCH_WINDOW" Return || bench_die "install: the closing box did not close"
bench_wait_exit install || bench_die "install: the program did not end"
bench_expect_eq "install: exit code" 0 "${BENCH_EXIT[install]}"
bench_expect_eq "install: two boxes" 2 "$(bench_collect_msgboxes install)"
bench_expect_msgbox "install: confirmation" install 1 "$text_confirm"
bench_expect_msgbox "install: success" install 2 "$text_done"
bench_expect_eq "mode event gone with the program" "missing" \
  "$(probe event-after 'C:\bench\pelletprobe.exe' event "$mode_event")"

out=$(traces install)
expect_trace "install: verbose mode" "$out" "Pellet Setup running in verbose mode"
expect_trace "install: no language in the registry" "$out" \
  "Could not read TSP language from the Registry!"
expect_trace "install: the procedure" "$out" "Performing TSP installation"
bench_expect_match "install: no gateway, so not running" \
  "^CoCreate\\(ZqKtGateway\\) failed with 0x[0-9a-f]+\\.  I'm going assume that Velmar is not present on the box\\.\$" \
  "$out"
expect_trace "install: standard wave driver" "$out" "Found win2k or above, using standard wave driver"
expect_trace "install: event-log source" "$out" "Calling RegMC"

for pair in ZqAudio32.dll:ZqAudio32.dll ZqSilenceMonitor.dll:ZqSilenceMonitor.dll \
  ZqPellet.tsp:ZqPellet.tsp ZqPelletRes.dll:ZqPelletRes.dll DravexNTWave.dll:DravexNTWave.dll \
  BrannockVelmar_TSP.dll:BrannockVelmar_TSP.dll; do
  expect_same_file "install: copied ${pair%%:*}" "$(sys_file "${pair%%:*}")" "$(standin "${pair#*:}")"
done
bench_expect_eq "install: copied ZqAudio.sys" "$driver_sys_text" \
  "$(cat "$(sys_file drivers/ZqAudio.sys)" 2>/dev/null || echo '<none>')"
bench_expect_eq "install: copied ZqAudio.nt4" "$driver_nt4_text" \
  "$(cat "$(sys_file drivers/ZqAudio.nt4)" 2>/dev/null || echo '<none>')"
expect_same_file "install: the earlier ZqAudio32.dll renamed first" "$(sys_file ZqAudio32.OLD)" \
  "$(standin ZqAudio32.dll)"

bench_expect_eq "install: companions registered, in order" \
  "dllregisterserver c:\\windows\\system32\\zqsilencemonitor.dll
dllregisterserver c:\\windows\\system32\\dravexntwave.dll" \
  "$(record register-calls | tr '[:upper:]' '[:lower:]')"
bench_expect_eq "install: the earlier package removed" "$msiexec_line" "$(record msiexec-calls)"
bench_expect_eq "install: the provider added" \
  "lineGetProviderListW api=0x00020000 size=4028 -> 1 providers
lineAddProviderW file=C:\\windows\\system32\\ZqPellet.tsp owner=none -> id=4" \
  "$(record_since tapi-calls "$calls_before")"

bench_expect_eq "install: wave driver service" \
  'TYPE 1
START_TYPE 1
ERROR_CONTROL 1
BINARY_PATH_NAME \SystemRoot\System32\drivers\zqaudio.sys
DISPLAY_NAME zqaudio' "$(probe service 'C:\bench\pelletprobe.exe' service zqaudio)"

mm='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
bench_expect_eq "install: Drivers32 wave1" "REG_SZ ZQAUDIO32.dll" \
  "$(reg_value drivers32 "$mm\\Drivers32" wave1 /reg:32)"
bench_expect_eq "install: Userinstallable.drivers wave1" "REG_SZ ZQAUDIO32.dll" \
  "$(reg_value userinstallable "$mm\\Userinstallable.drivers" wave1 /reg:32)"
bench_expect_eq "install: Drivers32 has no plain wave" "" \
  "$(reg_value drivers32-wave "$mm\\Drivers32" wave /reg:32)"
gains='HKLM\Software\Brannock Systems, Inc.\Brannock TSP'
bench_expect_eq "install: playback gain without a product version" "REG_DWORD 0xfffffff6" \
  "$(reg_value gain-playback "$gains" WaveDBGainPlayback /reg:32)"
bench_expect_eq "install: record gain" "REG_DWORD 0x5" \
  "$(reg_value gain-record "$gains" WaveDBGainRecord /reg:32)"
bench_expect_eq "install: TOS setting" "REG_DWORD 0x0" \
  "$(reg_value tos 'HKLM\System\CurrentControlSet\Services\Tcpip\Parameters' DisableUserTOSSetting)"
source_key='HKLM\System\CurrentControlSet\Services\EventLog\Application\BrannockVelmar_TSP'
bench_expect_eq "install: event-log categories" "REG_DWORD 0x3" \
  "$(reg_value categories "$source_key" CategoryCount)"
bench_expect_eq "install: event-log types" "REG_DWORD 0x7" \
  "$(reg_value types "$source_key" TypesSupported)"
for name in EventMessageFile CategoryMessageFile; do
  bench_expect_match "install: $name" '^REG_EXPAND_SZ [Cc]:\\windows\\system32\\BrannockVelmar_TSP\.dll$' \
    "$(reg_value "$name" "$source_key" "$name")"
done

# ---------------------------------------------------------------------------------------------
# Silent reinstall started from another folder: the language folder named in the registry is
# looked for there (and missed), while the copies still come from the program's folder. The
# provider is in the list now, so it is only refreshed, not added twice.

bench_install_product <<<'value | HKLM\Software\Quillon\SystemParameters\1.0 | GUI Language Default | REG_SZ | ENU'
calls_before=$(record_lines tapi-calls)
registered_before=$(record_lines register-calls)
started_before=$(record_lines msiexec-calls)
rm -f "$system_dir/ZqPellet.tsp" "$(sys_file drivers/ZqAudio.sys)" "$gate"
start_in 'C:\Elsewhere' elsewhere 'C:\Setup\PelletSetup.exe' -silent
# While it waits for the package installer, the mode event says silent.
msiexec_started() { [ "$(record_lines msiexec-calls)" -gt "$started_before" ]; }
bench_poll 30 msiexec_started || bench_die "elsewhere: the package installer was not started"
bench_expect_eq "mode event while silent" "signalled" \
  "$(probe event-silent 'C:\bench\pelletprobe.exe' event "$mode_event")"
: >"$gate"
bench_wait_exit elsewhere 60 || bench_die "the reinstall did not end"
bench_expect_eq "elsewhere: exit code" 0 "${BENCH_EXIT[elsewhere]}"
bench_expect_eq "elsewhere: no message box" 0 "$(bench_collect_msgboxes elsewhere)"
out=$(traces elsewhere)
expect_trace "elsewhere: silent mode" "$out" "Pellet Setup running in silent mode"
expect_trace "elsewhere: language folder not in the current directory" "$out" \
  'Could not find the Res and MC files associated with language "ENU".  I will try to default to ENU.'
expect_trace "elsewhere: language" "$out" "Using ENU as the TSP language."
expect_trace "elsewhere: to the program's folder" "$out" 'Changing working directory to: C:\Setup\'
expect_trace "elsewhere: and back" "$out" 'Changing working directory back to: C:\Elsewhere'
expect_same_file "elsewhere: provider copied from the program's folder" \
  "$(sys_file ZqPellet.tsp)" "$(standin ZqPellet.tsp)"
bench_expect_eq "elsewhere: driver copied from the program's folder" "$driver_sys_text" \
  "$(cat "$(sys_file drivers/ZqAudio.sys)" 2>/dev/null || echo '<none>')"
bench_expect_eq "elsewhere: provider refreshed, not added" \
  "lineGetProviderListW api=0x00020000 size=4028 -> 2 providers
TUISPI_providerInstall callback=none owner=none id=0" "$(record_since tapi-calls "$calls_before")"
bench_expect_eq "elsewhere: companions registered again" 2 \
  "$(record_since register-calls "$registered_before" | grep -c . || true)"
bench_expect_eq "elsewhere: an existing wave driver service is no failure" "" \
  "$(grep -F 'kernel mode service' <<<"$out" || true)"
bench_expect_eq "elsewhere: Drivers32 wave1 reused, wave2 untouched" "REG_SZ ZQAUDIO32.dll|" \
  "$(reg_value drivers32-again "$mm\\Drivers32" wave1 /reg:32)|$(reg_value drivers32-wave2 "$mm\\Drivers32" wave2 /reg:32)"

# ---------------------------------------------------------------------------------------------
# Verbose uninstall, also from the other folder: the resource library in the program's language
# folder is still found, both boxes come from it, and the provider added above goes again.

calls_before=$(record_lines tapi-calls)
start_in 'C:\Elsewhere' remove 'C:\Setup\PelletSetup.exe' -uninstall
bench_wait_window "$caption_confirm" || bench_die "remove: no confirmation box"
bench_answer "$BENCH_WINDOW" Return || bench_die "remove: the confirmation box did not close"
bench_wait_window "$caption_confirm" || bench_die "remove: no result box"
bench_answer "$BENCH_WINDOW" Return || bench_die "remove: the result box did not close"
bench_wait_exit remove || bench_die "remove: the program did not end"
bench_expect_eq "remove: exit code" 0 "${BENCH_EXIT[remove]}"
bench_expect_eq "remove: two boxes" 2 "$(bench_collect_msgboxes remove)"
bench_expect_msgbox "remove: confirmation" remove 1 "Remove the Pellet TSP from this computer?"
bench_expect_msgbox "remove: result" remove 2 "The Pellet TSP has been removed."
bench_expect_eq "remove: telephony calls" \
  "lineGetProviderListW api=0x00020000 size=4028 -> 2 providers
lineRemoveProvider id=4 owner=none -> 0x00000000" "$(record_since tapi-calls "$calls_before")"
bench_expect_eq "remove: provider table left" "3 otherline.tsp" "$(record tapi-providers)"
bench_expect_eq "remove: ZqPellet.tsp renamed away" "" "$(sys_file ZqPellet.tsp)"
expect_same_file "remove: ZqPellet.OLD" "$(sys_file ZqPellet.OLD)" "$(standin ZqPellet.tsp)"
expect_same_file "remove: companions stay" "$(sys_file ZqSilenceMonitor.dll)" \
  "$(standin ZqSilenceMonitor.dll)"

# ---------------------------------------------------------------------------------------------
# The product's gateway answers: a running product (any status but 64 and 255) stops a verbose
# install after its confirmation; 255 lets a verbose uninstall go on. The gateway object is
# created, read and released once per run.

bench_install_product <<<"file | C:\\bench\\pelletgateway.exe | @$PELLETGATEWAY_EXE"
bench_wine gateway-register 'C:\bench\pelletgateway.exe' /regserver ||
  bench_die "the gateway stand-in did not register: $BENCH_LAST_OUT"
status_file=$(bench_unix_path 'C:\bench\gateway-status.txt')

printf 1 >"$status_file"
started_before=$(record_lines msiexec-calls)
start_in 'C:\Setup' running 'C:\Setup\PelletSetup.exe'
bench_wait_window "$caption_confirm" || bench_die "running: no confirmation box"
bench_answer "$BENCH_WINDOW" Return || bench_die "running: the confirmation box did not close"
bench_wait_window "Pellet TSP Setup Error" || bench_die "running: no box saying the product runs"
bench_answer "$BENCH_WINDOW" Return || bench_die "running: the error box did not close"
bench_wait_exit running || bench_die "running: the program did not end"
bench_expect_eq "running: exit code" 0 "${BENCH_EXIT[running]}"
bench_expect_msgbox "running: the product runs" running 2 \
  "Velmar is running; stop it and run setup again."
out=$(traces running)
expect_trace "running: gateway created" "$out" "CoCreateInstance(ZqKtGateway) succeeded"
expect_trace "running: status read" "$out" "Velmar is running... "
expect_trace "running: bailed out" "$out" "Velmar is currently running.  Bailing..."
bench_expect_eq "running: gateway calls" "created
get_LastStatus -> 1
released" "$(record gateway-calls)"
bench_expect_eq "running: nothing installed" "$started_before" "$(record_lines msiexec-calls)"

printf 255 >"$status_file"
start_in 'C:\Setup' stopped 'C:\Setup\PelletSetup.exe' -uninstall
bench_wait_window "$caption_confirm" || bench_die "stopped: no confirmation box"
bench_answer "$BENCH_WINDOW" Return || bench_die "stopped: the confirmation box did not close"
bench_wait_window "$caption_confirm" || bench_die "stopped: no result box"
bench_answer "$BENCH_WINDOW" Return || bench_die "stopped: the result box did not close"
bench_wait_exit stopped || bench_die "stopped: the program did not end"
bench_expect_eq "stopped: exit code" 0 "${BENCH_EXIT[stopped]}"
out=$(traces stopped)
expect_trace "stopped: status read" "$out" "Velmar is not running... "
expect_trace "stopped: went on to the provider" "$out" \
  "Could not find the Pellet TSP on the system.  TSP removal will do nothing."
bench_expect_msgbox "stopped: result" stopped 2 "The Pellet TSP has been removed."
bench_expect_eq "stopped: gateway calls" "created
get_LastStatus -> 255
released" "$(record gateway-calls | tail -n 3)"

bench_finish
