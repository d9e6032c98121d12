# shellcheck shell=bash disable=SC2016,SC2030,SC2031
# bench.sh: shared shell functions of the Wine bench, sourced by scripts/wine-run and by the
# end-to-end tests. A test gets a throwaway Wine prefix copied from a cached template, a private
# Xvfb display, helpers to lay out an installed product, start and drive Windows programs, take
# screenshots and read back the message boxes shown, and a cleanup that runs however it ends.
#
# Typical use:
#   source tests/e2e/lib/bench.sh
#   bench_begin my_test          # work dir, traps, watchdog
#   bench_xvfb_start             # before the prefix: Wine's desktop process keeps the DISPLAY it starts with
#   bench_prefix_new
#   bench_start box 'C:\bench\smokebox.exe'
#   bench_wait_window "Velmar bench" || bench_die "no message box"
#   bench_answer "$BENCH_WINDOW" n
#   bench_wait_exit box && bench_expect_eq "exit code" 7 "${BENCH_EXIT[box]}"
#   bench_finish
#
# Functions that record something (a window id, an exit code) set BENCH_* variables instead of
# printing it: called as $(...) they would run in a subshell, and a subshell can neither wait
# for the test's programs nor count its screenshots.
#
# Every wait polls with a deadline; nothing sleeps for a fixed time hoping something happened.
# Wine's output always goes to files: its background processes (wineserver, services, the
# desktop) inherit the standard handles of whichever Wine command started them, and a pipe held
# by them would never close.

# Guard against being sourced twice (wine-run and a test may both pull it in).
if [ -n "${BENCH_SH_LOADED:-}" ]; then return 0; fi
BENCH_SH_LOADED=1

BENCH_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BENCH_REPO_DIR=$(cd "$BENCH_LIB_DIR/../../.." && pwd)
: "${BENCH_BUILD_DIR:=$BENCH_REPO_DIR/build/windows}"
: "${BENCH_CACHE_DIR:=${XDG_CACHE_HOME:-$HOME/.cache}/velmar-wine}"
# Bumped whenever the template recipe below changes, so old cached templates are not reused.
BENCH_TEMPLATE_RECIPE=r3

BENCH_FAILURES=0
BENCH_SHOT_COUNT=0
BENCH_WORK=""
BENCH_XVFB_PID=""
BENCH_PREFIX=""
declare -gA BENCH_PIDS=() BENCH_EXIT=()

# ---------------------------------------------------------------------------------------------
# Messages, assertions, polling

bench_log() { printf 'bench: %s\n' "$*" >&2; }

bench_die() {
  printf 'bench: FATAL: %s\n' "$*" >&2
  exit 1
}

# Prints a value so that differences in line breaks or control characters stay visible.
_bench_show() {
  local label=$1 value=$2
  printf '  %s\n' "$label"
  [ -z "$value" ] || sed 's/^/    | /' <<<"$value"
  local without_breaks=${value//$'\n'/}
  if [[ $without_breaks == *[[:cntrl:]]* ]]; then printf '    (escaped: %q)\n' "$value"; fi
}

_bench_fail() {
  BENCH_FAILURES=$((BENCH_FAILURES + 1))
  printf 'FAIL: %s\n' "$1" >&2
}

# Expectations record a failure and let the test go on (bench_finish reports the count), so
# they return 0 even when they fail: under set -e anything else would end the test at once.

# bench_expect_eq WHAT EXPECTED SEEN
bench_expect_eq() {
  if [ "$2" == "$3" ]; then
    printf 'ok: %s\n' "$1" >&2
    return 0
  fi
  _bench_fail "$1"
  { _bench_show expected: "$2"; _bench_show seen: "$3"; } >&2
}

# bench_expect_match WHAT EXTENDED_REGEX SEEN
bench_expect_match() {
  if grep -Eq -- "$2" <<<"$3"; then
    printf 'ok: %s\n' "$1" >&2
    return 0
  fi
  _bench_fail "$1"
  { _bench_show "expected a line matching: $2" ""; _bench_show seen: "$3"; } >&2
}

# bench_finish: ends the test, non-zero when any expectation failed.
bench_finish() {
  if [ "$BENCH_FAILURES" -gt 0 ]; then
    bench_log "$BENCH_FAILURES expectation(s) failed; logs in $BENCH_LOG_DIR, shots in $BENCH_SHOT_DIR"
    exit 1
  fi
  bench_log "passed"
  exit 0
}

_bench_now_ms() { date +%s%3N; }

# bench_poll SECONDS COMMAND...: runs COMMAND every 100 ms until it succeeds (returns 0) or the
# deadline passes (returns 1).
bench_poll() {
  local seconds=$1
  shift
  local deadline=$(($(_bench_now_ms) + seconds * 1000))
  while true; do
    if "$@"; then return 0; fi
    if [ "$(_bench_now_ms)" -ge "$deadline" ]; then return 1; fi
    sleep 0.1
  done
}

# ---------------------------------------------------------------------------------------------
# Work directory, traps and the watchdog

# bench_begin NAME: creates the work directory, the log and screenshot folders and installs the
# cleanup. Logs and screenshots go under $BENCH_OUT_DIR when it is set (end-to-end tests keep
# them in the build tree), else into the work directory and vanish with it.
bench_begin() {
  BENCH_TEST_NAME=$1
  BENCH_WORK=$(mktemp -d "${TMPDIR:-/tmp}/velmar-bench.XXXXXX")
  if [ -n "${BENCH_OUT_DIR:-}" ]; then
    BENCH_LOG_DIR=$BENCH_OUT_DIR/logs/$BENCH_TEST_NAME
    BENCH_SHOT_DIR=$BENCH_OUT_DIR/shots/$BENCH_TEST_NAME
  else
    BENCH_LOG_DIR=$BENCH_WORK/logs
    BENCH_SHOT_DIR=$BENCH_WORK/shots
  fi
  # Only the bench writes these folders; results of an earlier run would mislead.
  rm -rf "$BENCH_LOG_DIR" "$BENCH_SHOT_DIR"
  mkdir -p "$BENCH_LOG_DIR" "$BENCH_SHOT_DIR"
  : >"$BENCH_WORK/state"
  trap bench_cleanup EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  _bench_watchdog_start
}

# Records what the watchdog must undo if this shell is killed before its EXIT trap can run.
_bench_state() { printf '%s=%q\n' "$1" "$2" >>"$BENCH_WORK/state"; }

# A SIGKILL (a CTest timeout) skips the EXIT trap and would leave a wineserver, Xvfb and a
# 600 MB prefix behind. The watchdog runs in its own session, so killing the test's process
# group does not reach it, and cleans up once the test's shell is gone.
_bench_watchdog_start() {
  setsid -f bash -c '
    parent=$1 work=$2
    alive() { [ -e /proc/$parent ] && ! grep -q "^State:[[:space:]]*Z" /proc/$parent/status 2>/dev/null; }
    while [ -d "$work" ] && [ ! -e "$work/.done" ] && alive; do sleep 1; done
    [ -d "$work" ] && [ ! -e "$work/.done" ] || exit 0
    prefix="" xvfb="" servertmp=""
    source "$work/state"
    if [ -n "$prefix" ] && [ -d "$prefix" ]; then WINEPREFIX=$prefix timeout 20 wineserver -k; fi
    if [ -n "$xvfb" ] && grep -q "^Xvfb" /proc/$xvfb/comm 2>/dev/null; then kill "$xvfb"; fi
    [ -n "$servertmp" ] && rm -rf "$servertmp"
    rm -rf "$work"
  ' bench-watchdog "$$" "$BENCH_WORK" </dev/null >/dev/null 2>&1
}

bench_cleanup() {
  local rc=$?
  set +e
  trap - EXIT HUP INT TERM
  local tag
  for tag in "${!BENCH_PIDS[@]}"; do
    if [ -z "${BENCH_EXIT[$tag]:-}" ]; then
      bench_log "program '$tag' (pid ${BENCH_PIDS[$tag]}) still running at cleanup"
    fi
  done
  bench_prefix_stop
  bench_xvfb_stop
  # The stand-ins' records outlive the prefix, for the reader of a failed run.
  local record
  for record in sql-record.txt directory-record.txt; do
    if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/drive_c/bench/$record" ]; then
      cp "$WINEPREFIX/drive_c/bench/$record" "$BENCH_LOG_DIR/$record"
    fi
  done
  if [ -n "$BENCH_WORK" ] && [ -d "$BENCH_WORK" ]; then
    if [ "${BENCH_KEEP:-0}" = 1 ]; then
      touch "$BENCH_WORK/.done"
      bench_log "kept $BENCH_WORK"
    else
      rm -rf "$BENCH_WORK"
    fi
  fi
  exit "$rc"
}

# ---------------------------------------------------------------------------------------------
# Wine prefixes

_bench_wine_env() {
  # Never let Wine create menu entries or file associations in the real home.
  export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
}

bench_template_dir() {
  local version
  version=$(wine --version 2>/dev/null) || bench_die "wine is not installed (scripts/bootstrap installs it)"
  version=$(printf '%s' "$version" | tr -c 'A-Za-z0-9._\n' '-' | tr -s '-' | sed 's/-$//')
  # A machine with wine64 makes 64-bit prefixes (a 32-bit program then sees Wow6432Node, as on
  # 64-bit Windows); one with wine32 alone makes 32-bit ones. The two never share a template.
  local arch=${WINEARCH:-} personality=""
  if [ -n "${BENCH_WINDOWS_VERSION:-}" ]; then
    _bench_windows_personality
    arch=$_BENCH_WINDOWS_ARCH personality=-$BENCH_WINDOWS_VERSION
  fi
  [ -n "$arch" ] || { [ -x /usr/lib/wine/wine64 ] && arch=win64 || arch=win32; }
  printf '%s/template-%s-%s-%s%s\n' "$BENCH_CACHE_DIR" "$version" "$BENCH_TEMPLATE_RECIPE" "$arch" \
    "$personality"
}

# Windows personalities: BENCH_WINDOWS_VERSION makes every prefix imitate one of the oldest
# systems the programs must start on (win2k, win2003); unset, Wine's own default. Each is
# "architecture|what ver prints|service pack": Wine imitates Windows 2000 only in a 32-bit
# prefix (a 64-bit one keeps its version without a word), where a 32-bit program finds its
# system folder as system32 and no Wow6432Node; Server 2003 gets the 64-bit prefix of the other
# tests, as its x64 edition.
declare -gA _BENCH_WINDOWS_VERSIONS=(
  [win2k]="win32|5.0.2195|Service Pack 4"
  [win2003]="win64|5.2.3790|Service Pack 2"
)

# Sets _BENCH_WINDOWS_ARCH, _VER and _SP for $BENCH_WINDOWS_VERSION; an unknown name, or one the
# machine's Wine or WINEARCH cannot give, ends the test.
_bench_windows_personality() {
  local fields=${_BENCH_WINDOWS_VERSIONS[${BENCH_WINDOWS_VERSION:-}]:-}
  [ -n "$fields" ] || bench_die "BENCH_WINDOWS_VERSION='${BENCH_WINDOWS_VERSION:-}' is none of: ${!_BENCH_WINDOWS_VERSIONS[*]}"
  IFS='|' read -r _BENCH_WINDOWS_ARCH _BENCH_WINDOWS_VER _BENCH_WINDOWS_SP <<<"$fields"
  if [ -n "${WINEARCH:-}" ] && [ "$WINEARCH" != "$_BENCH_WINDOWS_ARCH" ]; then
    bench_die "$BENCH_WINDOWS_VERSION needs a $_BENCH_WINDOWS_ARCH prefix, WINEARCH says $WINEARCH"
  fi
  if [ "$_BENCH_WINDOWS_ARCH" = win64 ] && [ ! -x /usr/lib/wine/wine64 ]; then
    bench_die "$BENCH_WINDOWS_VERSION needs a 64-bit prefix, and this machine has no wine64"
  fi
}

# Wine keeps its previous version without a word when it cannot imitate the one asked for, so
# every prefix is asked which Windows it is, by the 32-bit command interpreter (the programs are
# 32-bit) and in the 32-bit registry view; anything else ends the test.
_bench_windows_check() {
  _bench_windows_personality
  [ "$BENCH_PREFIX_ARCH" = "$_BENCH_WINDOWS_ARCH" ] ||
    bench_die "$BENCH_WINDOWS_VERSION wants a $_BENCH_WINDOWS_ARCH prefix, $BENCH_TEMPLATE is '$BENCH_PREFIX_ARCH'"
  local seen sp
  bench_wine windows-version "$(bench_system_dir)\\cmd.exe" /c ver ||
    bench_die "ver failed: $(cat "$BENCH_LOG_DIR/windows-version.err")"
  # "Microsoft Windows 5.0.2195", in the words of the prefix's language.
  seen=$(grep -m 1 . <<<"$BENCH_LAST_OUT" || true)
  [ "${seen##* }" == "$_BENCH_WINDOWS_VER" ] ||
    bench_die "Wine did not take $BENCH_WINDOWS_VERSION: ver says '$seen', not $_BENCH_WINDOWS_VER"
  bench_wine windows-sp reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CSDVersion /reg:32 ||
    bench_die "no service pack in the registry: $(cat "$BENCH_LOG_DIR/windows-sp.err")"
  sp=$(sed -n 's/^ *CSDVersion *REG_SZ *//p' <<<"$BENCH_LAST_OUT")
  [ "$sp" == "$_BENCH_WINDOWS_SP" ] ||
    bench_die "Wine did not take $BENCH_WINDOWS_VERSION: the registry says '$sp', not $_BENCH_WINDOWS_SP"
  bench_log "the prefix is $BENCH_WINDOWS_VERSION: $seen, $sp, $BENCH_PREFIX_ARCH"
}

# bench_system_dir: where a 32-bit program's system folder (which it always calls
# C:\windows\system32) lies in this prefix: syswow64 in a 64-bit one.
bench_system_dir() {
  if [ "${BENCH_PREFIX_ARCH:-}" = win64 ]; then
    echo 'C:\windows\syswow64'
  else
    echo 'C:\windows\system32'
  fi
}

# The template is made once per Wine version; parallel test jobs wait on a lock for it.
bench_template_ensure() {
  BENCH_TEMPLATE=$(bench_template_dir) || exit 1
  [ -f "$BENCH_TEMPLATE/.velmar-template" ] && return 0
  mkdir -p "$BENCH_CACHE_DIR"
  local lock_fd
  exec {lock_fd}>"$BENCH_TEMPLATE.lock"
  flock -w 300 "$lock_fd" || bench_die "timed out waiting for another job to make $BENCH_TEMPLATE"
  if [ ! -f "$BENCH_TEMPLATE/.velmar-template" ]; then
    _bench_template_make "$BENCH_TEMPLATE"
  fi
  exec {lock_fd}>&-
}

_bench_template_make() {
  local final=$1
  local tmp=$final.tmp.$$
  local log=$final.log
  # Whoever held the lock before us may have died half-way.
  rm -rf "$final" "$final".tmp.*
  bench_log "making the Wine template prefix $final (once per Wine version, about 20 s)"
  local started
  started=$(_bench_now_ms)
  (
    set -e
    export WINEPREFIX=$tmp WINEDEBUG=-all
    # No DISPLAY: the install must not pop up dialogs (Mono/Gecko) on a developer's screen.
    unset DISPLAY WAYLAND_DISPLAY
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if [ -n "${BENCH_WINDOWS_VERSION:-}" ]; then
      _bench_windows_personality
      export WINEARCH=$_BENCH_WINDOWS_ARCH
    fi
    wineboot -i
    # Once here; bench_prefix_new checks every copy.
    [ -z "${BENCH_WINDOWS_VERSION:-}" ] || wine winecfg -v "$BENCH_WINDOWS_VERSION"
    # Without a window manager Wine waits 2 s for every managed window to be withdrawn when
    # it closes; unmanaged windows close at once and draw their own title bar.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    # Menu entries stay off (see _bench_wine_env); this start-up entry would only log an error.
    wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /v winemenubuilder /f
    timeout 120 wineserver -w
  ) </dev/null >"$log" 2>&1 || { WINEPREFIX=$tmp wineserver -k >/dev/null 2>&1; bench_die "wineboot failed, see $log"; }
  _bench_server_tmp_remove "$tmp"
  # Wine points the user folders (Desktop, Documents, ...) at the real home; a removal program
  # deleting shortcuts there must only ever touch the prefix.
  local link
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir -p "$link"
  done < <(find "$tmp/drive_c/users" -type l -print0)
  rm -f "$tmp/wineserver"
  _bench_template_fonts "$tmp"
  touch "$tmp/.velmar-template"
  mv "$tmp" "$final"
  bench_log "template ready in $(( ($(_bench_now_ms) - started) / 1000 )) s"
}

# Wine draws the caption buttons (close, minimise, maximise) with glyphs of its Marlett symbol
# font. Debian's Wine does not load the fonts of its own data folder, so without this copy in
# the Windows font folder the title bars show the glyphs' letters ("r", "0 1 r") instead.
_bench_template_fonts() {
  local prefix=$1 dir
  for dir in /usr/share/wine/fonts /usr/lib/wine/fonts /opt/wine*/share/wine/fonts; do
    if [ -f "$dir/marlett.ttf" ]; then
      cp "$dir/marlett.ttf" "$prefix/drive_c/windows/Fonts/"
      return 0
    fi
  done
  bench_log "no marlett.ttf found: title bars will show letters for their buttons"
}

# Debian's Wine keeps the server socket in ${TMPDIR:-/tmp}/wine-XXXXXX, named in the prefix's
# "wineserver" file; a copied prefix drops that file and so gets a directory of its own.
_bench_server_tmp_remove() {
  local prefix=$1 name
  [ -f "$prefix/wineserver" ] || return 0
  name=$(cat "$prefix/wineserver")
  if [[ $name =~ ^wine-[A-Za-z0-9]{6}$ ]]; then rm -rf "${TMPDIR:-/tmp}/$name"; fi
}

# bench_prefix_new: a fresh prefix in the work directory, with its wineserver kept alive until
# cleanup (services only run while it lives) and Wine's own background processes started with
# their output in $BENCH_LOG_DIR/wine-system.log (a service's OutputDebugString lands there).
# Drive Z: (the whole Unix file system) is removed unless BENCH_KEEP_Z_DRIVE=1, so a program
# that walks every drive cannot reach the host. Start Xvfb first if the test shows windows.
# Called again, it throws the previous prefix away first: a fresh machine each time.
bench_prefix_new() {
  bench_template_ensure
  if [ -n "$BENCH_PREFIX" ]; then
    bench_prefix_stop
    rm -rf "$BENCH_PREFIX"
  fi
  BENCH_PREFIX=$BENCH_WORK/prefix
  export WINEPREFIX=$BENCH_PREFIX
  _bench_state prefix "$WINEPREFIX"
  cp -a "$BENCH_TEMPLATE" "$WINEPREFIX"
  rm -f "$WINEPREFIX/.velmar-template"
  [ "${BENCH_KEEP_Z_DRIVE:-0}" = 1 ] || rm -f "$WINEPREFIX/dosdevices/z:"
  _bench_wine_env
  wineserver -p </dev/null >"$BENCH_LOG_DIR/wineserver.log" 2>&1 \
    || bench_die "wineserver did not start, see $BENCH_LOG_DIR/wineserver.log"
  bench_poll 10 test -s "$WINEPREFIX/wineserver" || bench_die "wineserver wrote no socket directory"
  _bench_state servertmp "${TMPDIR:-/tmp}/$(cat "$WINEPREFIX/wineserver")"
  (cd "$WINEPREFIX/drive_c" &&
    WINEDEBUG=${BENCH_SYSTEM_WINEDEBUG:-fixme-all,warn+seh} timeout 60 wine cmd /c exit 0) \
    </dev/null >"$BENCH_LOG_DIR/wine-system.log" 2>&1 \
    || bench_die "Wine did not start in the new prefix, see $BENCH_LOG_DIR/wine-system.log"
  BENCH_PREFIX_ARCH=$(sed -n 's/^#arch=//p' "$WINEPREFIX/system.reg" | head -n 1)
  [ -z "${BENCH_WINDOWS_VERSION:-}" ] || _bench_windows_check
}

# Only ever the bench's own prefix: a WINEPREFIX inherited from the caller is not ours to stop.
bench_prefix_stop() {
  [ -n "$BENCH_PREFIX" ] && [ -d "$BENCH_PREFIX" ] || return 0
  # Either may fail when the server is gone already.
  WINEPREFIX=$BENCH_PREFIX wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$BENCH_PREFIX timeout 30 wineserver -w >/dev/null 2>&1 || true
  # Reap the programs the server just killed; their codes no longer matter.
  local tag
  for tag in "${!BENCH_PIDS[@]}"; do wait "${BENCH_PIDS[$tag]}" 2>/dev/null || true; done
  _bench_server_tmp_remove "$BENCH_PREFIX"
}

# bench_unix_path 'C:\dir\file': where a C: path lives in the prefix.
bench_unix_path() {
  local path=$1
  [[ $path =~ ^[Cc]:(\\|$) ]] || bench_die "only C: paths live in the prefix: $path"
  path=${path:2}
  printf '%s/drive_c%s\n' "$WINEPREFIX" "${path//\\//}"
}

# bench_copy_in UNIX_SOURCE 'C:\dir\file': copies a file into the prefix.
bench_copy_in() {
  local target
  target=$(bench_unix_path "$2")
  mkdir -p "$(dirname "$target")"
  cp "$1" "$target"
}

# Planted names. Any local account may create names at the root of C: beforehand; a program
# that writes one of its fixed names there must not write through what such a name leads to.
# bench_plant_link BYSTANDER 'C:\name': makes BYSTANDER, a file of the system folder with bytes of
# its own, and plants the name as a second hard link to it (Wine keeps hard links as the Linux
# file system's). bench_expect_bystander WHAT BYSTANDER: as the Linux side sees it, the bystander
# still holds its bytes, its inode and its one link, so the planted name was cleared, not
# written through (a cleared name that was written anew leaves the bytes but takes the link).
declare -gA BENCH_BYSTANDER_INODE=()
bench_plant_link() {
  local bystander
  bystander=$(bench_unix_path "$(bench_system_dir)\\$1")
  printf 'MZ bystander %s' "$1" >"$bystander"
  BENCH_BYSTANDER_INODE[$1]=$(stat -c %i "$bystander")
  ln -f "$bystander" "$(bench_unix_path "$2")"
}
bench_expect_bystander() {
  local bystander
  bystander=$(bench_unix_path "$(bench_system_dir)\\$2")
  bench_expect_eq "$1: the bystander $2 keeps its bytes, inode and one link" \
    "MZ bystander $2|${BENCH_BYSTANDER_INODE[$2]}|1" \
    "$(cat "$bystander" 2>/dev/null || echo '<none>')|$(stat -c '%i|%h' "$bystander" 2>/dev/null)"
}

# bench_plant_folder_link BYSTANDER 'C:\name': makes BYSTANDER, a folder of the system folder
# holding one file, and plants the name as a Unix symbolic link to it: the one reparse point
# Wine 8 lets the bench plant (a Windows program sees attributes 0x410 on the name; see
# docs/reliability.md). bench_expect_bystander_folder WHAT BYSTANDER: the folder still holds
# exactly that file with its bytes, nothing more.
bench_plant_folder_link() {
  local folder
  folder=$(bench_unix_path "$(bench_system_dir)\\$1")
  mkdir -p "$folder"
  printf 'kept by %s' "$1" >"$folder/kept.ini"
  ln -sfn "$folder" "$(bench_unix_path "$2")"
}
bench_expect_bystander_folder() {
  local folder
  folder=$(bench_unix_path "$(bench_system_dir)\\$2")
  bench_expect_eq "$1: the bystander folder $2 holds just its own file" "kept.ini: kept by $2" \
    "$(cd "$folder" 2>/dev/null && for f in *; do printf '%s: %s\n' "$f" "$(cat "$f")"; done)"
}

# bench_wine TAG COMMAND ARGS...: runs a Wine command to its end (deadline BENCH_WINE_TIMEOUT,
# 60 s) with output in $BENCH_LOG_DIR/TAG.out and .err; returns its exit code.
bench_wine() {
  local tag=$1
  shift
  local rc=0
  (cd "$WINEPREFIX/drive_c" && WINEDEBUG=${WINEDEBUG:-fixme-all} \
    timeout -k 5 "${BENCH_WINE_TIMEOUT:-60}" wine "$@") \
    </dev/null >"$BENCH_LOG_DIR/$tag.out" 2>"$BENCH_LOG_DIR/$tag.err" || rc=$?
  BENCH_LAST_OUT=$(tr -d '\r' <"$BENCH_LOG_DIR/$tag.out")
  return "$rc"
}

# ---------------------------------------------------------------------------------------------
# SQL Server: the tests' stand-in ADO

# bench_sql_standin [LAYOUT_FILE]: registers the tests' stand-in ADO (ado_standin.dll, built
# beside the conformance suite; $ADO_STANDIN_DLL) in this prefix under ADO's own class
# identifiers in the 32-bit view, in place of Wine's ADO (which answers no call by name). It
# runs the simulated SQL Server inside each program, laid out from the lines of LAYOUT_FILE
# (tests/support/sql_layout.h); without one, a machine whose SQL Server does not answer. What
# the programs did lands in C:\bench\sql-record.txt (bench_sql_record).
BENCH_SQL_RECORD='C:\bench\sql-record.txt'
bench_sql_standin() {
  local layout=${1:-} dll=${ADO_STANDIN_DLL:-$BENCH_BUILD_DIR/tests/conformance/ado_standin.dll}
  [ -f "$dll" ] || bench_die "$dll is missing; build the windows preset first"
  bench_copy_in "$dll" 'C:\bench\ado_standin.dll'
  if [ -n "$layout" ]; then
    bench_copy_in "$layout" 'C:\bench\sql-layout.txt'
  else
    rm -f "$(bench_unix_path 'C:\bench\sql-layout.txt')"
  fi
  rm -f "$(bench_unix_path "$BENCH_SQL_RECORD")"
  # Imported into the 32-bit view, where the 32-bit programs look (Wow6432Node of a 64-bit prefix).
  # For both threading models, as ADO's own classes are: a program in the multi-threaded
  # apartment would otherwise get the objects through a thread COM starts and keeps.
  local reg clsid
  reg=$(bench_unix_path 'C:\bench\ado-standin.reg')
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\VelmarTests\\AdoStandIn]\r\n'
    printf '"LayoutFile"="C:\\\\bench\\\\sql-layout.txt"\r\n'
    printf '"RecordFile"="C:\\\\bench\\\\sql-record.txt"\r\n'
    for clsid in 00000514 00000535 00000507; do
      printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{%s-0000-0010-8000-00AA006D2EA4}\\InprocServer32]\r\n' "$clsid"
      printf '@="C:\\\\bench\\\\ado_standin.dll"\r\n"ThreadingModel"="Both"\r\n'
    done
  } >"$reg"
  bench_wine sql-standin reg import 'C:\bench\ado-standin.reg' /reg:32 ||
    bench_die "cannot register the stand-in ADO: $(cat "$BENCH_LOG_DIR/sql-standin.err")"
  rm -f "$reg"
  bench_wine sql-standin-check reg query \
    'HKLM\Software\Classes\CLSID\{00000514-0000-0010-8000-00AA006D2EA4}\InprocServer32' /ve /reg:32 &&
    grep -qiF 'C:\bench\ado_standin.dll' <<<"$BENCH_LAST_OUT" &&
    bench_wine sql-standin-check reg query 'HKLM\Software\VelmarTests\AdoStandIn' /v RecordFile /reg:32 ||
    bench_die "the stand-in ADO is not what a 32-bit program finds: $BENCH_LAST_OUT"
}

# bench_directory_standin LAYOUT_FILE [HOLD]: registers the tests' stand-in directory server
# (directory_standin.dll, beside the conformance suite; $DIRECTORY_STANDIN_DLL) in this prefix
# under the manager's class name in the 32-bit view. It runs the simulated directory inside the
# program, laid out from LAYOUT_FILE (tests/support/directory_layout.h); its record lands in
# C:\bench\directory-record.txt (bench_directory_record). With HOLD, the HOLDth removal of a
# subscriber's custom properties waits until bench_directory_let_go.
BENCH_DIRECTORY_RECORD='C:\bench\directory-record.txt'
bench_directory_standin() {
  local layout=$1 hold=${2:-}
  local dll=${DIRECTORY_STANDIN_DLL:-$BENCH_BUILD_DIR/tests/conformance/directory_standin.dll}
  local clsid='{FFE1631D-9E86-4FA7-8FC9-1CB80953466C}' reg
  [ -f "$dll" ] || bench_die "$dll is missing; build the windows preset first"
  bench_copy_in "$dll" 'C:\bench\directory_standin.dll'
  bench_copy_in "$layout" 'C:\bench\directory-layout.txt'
  rm -f "$(bench_unix_path "$BENCH_DIRECTORY_RECORD")" "$(bench_unix_path 'C:\bench\directory-release')"
  reg=$(bench_unix_path 'C:\bench\directory-standin.reg')
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\VelmarTests\\DirectoryStandIn]\r\n'
    printf '"LayoutFile"="C:\\\\bench\\\\directory-layout.txt"\r\n'
    printf '"RecordFile"="C:\\\\bench\\\\directory-record.txt"\r\n'
    if [ -n "$hold" ]; then
      printf '"HoldRemoval"="%s"\r\n"ReleaseFile"="C:\\\\bench\\\\directory-release"\r\n' "$hold"
    fi
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\ZqDohManager.ZqDohManager.1\\CLSID]\r\n@="%s"\r\n' "$clsid"
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\%s\\InprocServer32]\r\n' "$clsid"
    printf '@="C:\\\\bench\\\\directory_standin.dll"\r\n"ThreadingModel"="Both"\r\n'
  } >"$reg"
  bench_wine directory-standin reg import 'C:\bench\directory-standin.reg' /reg:32 ||
    bench_die "cannot register the stand-in directory server: $(cat "$BENCH_LOG_DIR/directory-standin.err")"
  rm -f "$reg"
  bench_wine directory-standin-check reg query 'HKLM\Software\Classes\CLSID\'"$clsid"'\InprocServer32' /ve /reg:32 &&
    grep -qiF 'C:\bench\directory_standin.dll' <<<"$BENCH_LAST_OUT" ||
    bench_die "the stand-in directory server is not what a 32-bit program finds: $BENCH_LAST_OUT"
}

# bench_directory_let_go: the held removal goes on.
bench_directory_let_go() { : >"$(bench_unix_path 'C:\bench\directory-release')"; }

# bench_directory_record: the stand-in directory server's record so far, without carriage returns.
bench_directory_record() {
  local record
  record=$(bench_unix_path "$BENCH_DIRECTORY_RECORD")
  [ -f "$record" ] && tr -d '\r' <"$record"
  return 0
}

# bench_sql_record: the stand-in ADO's record so far, without carriage returns.
bench_sql_record() {
  local record
  record=$(bench_unix_path "$BENCH_SQL_RECORD")
  [ -f "$record" ] && tr -d '\r' <"$record"
  return 0
}

# ---------------------------------------------------------------------------------------------
# Installed product

# bench_install_product: lays out a product from a manifest on standard input, one entry a
# line, fields separated by "|" (only a value's data, the last field, may itself hold a "|");
# blanks around fields are trimmed, blank lines and lines starting with # are skipped:
#   value | HKLM\Software\Velmar\Gateway | InstallDir | REG_SZ | C:\Program Files\Velmar
#   key   | HKLM\Software\Velmar\Empty
#   dir   | C:\Program Files\Velmar\logs
#   file  | C:\Program Files\Velmar\gateway.exe | @/unix/path/to/copy
#   file  | C:\Program Files\Velmar\readme.txt  | text written as the file
# Registry entries go through the 32-bit view (/reg:32) as a 32-bit installer writes them, an
# empty value name is the key's default value, and each key is read back afterwards.
bench_install_product() {
  local line kind a b c d n=0
  local -a keys=() names=()
  while IFS= read -r line || [ -n "$line" ]; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    n=$((n + 1))
    IFS='|' read -r kind a b c d <<<"$line"
    kind=$(_bench_trim "$kind") a=$(_bench_trim "$a") b=$(_bench_trim "$b")
    c=$(_bench_trim "$c") d=$(_bench_trim "$d")
    case $kind in
      value)
        local -a name_arg=(/v "$b")
        [ -n "$b" ] || name_arg=(/ve)
        bench_wine "install-$n" reg add "$a" "${name_arg[@]}" /t "${c:-REG_SZ}" /d "$d" /f /reg:32 \
          || bench_die "reg add $a ${b:-(Default)} failed: $(cat "$BENCH_LOG_DIR/install-$n.err")"
        keys+=("$a") names+=("${b:-(Default)}")
        ;;
      key)
        bench_wine "install-$n" reg add "$a" /f /reg:32 \
          || bench_die "reg add $a failed: $(cat "$BENCH_LOG_DIR/install-$n.err")"
        keys+=("$a") names+=("")
        ;;
      dir) mkdir -p "$(bench_unix_path "$a")" ;;
      file)
        local target
        target=$(bench_unix_path "$a")
        mkdir -p "$(dirname "$target")"
        if [[ $b == @* ]]; then
          cp "${b:1}" "$target" || bench_die "cannot copy ${b:1}"
        else
          printf '%s' "$b" >"$target"
        fi
        ;;
      *) bench_die "bench_install_product: unknown entry '$kind' in: $line" ;;
    esac
  done
  local i
  for i in "${!keys[@]}"; do _bench_check_reg32 "${keys[$i]}" "${names[$i]}"; done
}

_bench_trim() {
  local s=$1
  s=${s#"${s%%[![:space:]]*}"}
  printf '%s' "${s%"${s##*[![:space:]]}"}"
}

# A 32-bit installer's HKLM\Software lands under Wow6432Node in a 64-bit prefix; a 32-bit prefix
# has a single view, so there the check is only that the 32-bit view reads the value back.
_bench_check_reg32() {
  local key=$1 name=$2
  bench_wine reg-check reg query "$key" /reg:32 || bench_die "$key is not visible in the 32-bit view"
  if [ -n "$name" ] && ! grep -qF "    $name    " <<<"$BENCH_LAST_OUT"; then
    bench_die "$key has no value '$name' in the 32-bit view: $BENCH_LAST_OUT"
  fi
  if [ "${BENCH_PREFIX_ARCH:-}" = win64 ]; then
    local native
    native=$(sed -E 's/^(HKLM|HKEY_LOCAL_MACHINE)\\(Software|SOFTWARE)\\/HKLM\\Software\\Wow6432Node\\/I' <<<"$key")
    if [ "$native" != "$key" ]; then
      bench_wine reg-check reg query "$native" /reg:64 || bench_die "$key did not land under $native"
    fi
  fi
}

# ---------------------------------------------------------------------------------------------
# X display

# bench_xvfb_start: a private X server on a display number it picks itself (-displayfd), so
# parallel tests never collide; exports DISPLAY once the server answers.
bench_xvfb_start() {
  local fdfile=$BENCH_WORK/xvfb.display
  : >"$fdfile"
  Xvfb -displayfd 3 -screen 0 "${BENCH_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
    3>"$fdfile" </dev/null >"$BENCH_LOG_DIR/xvfb.log" 2>&1 &
  BENCH_XVFB_PID=$!
  _bench_state xvfb "$BENCH_XVFB_PID"
  bench_poll 15 grep -q '^[0-9]' "$fdfile" || bench_die "Xvfb chose no display, see $BENCH_LOG_DIR/xvfb.log"
  DISPLAY=:$(head -n 1 "$fdfile")
  export DISPLAY
  bench_poll 10 xdotool getdisplaygeometry >/dev/null 2>&1 || bench_die "Xvfb on $DISPLAY does not answer"
}

bench_xvfb_stop() {
  [ -n "$BENCH_XVFB_PID" ] || return 0
  kill "$BENCH_XVFB_PID" 2>/dev/null || true
  wait "$BENCH_XVFB_PID" 2>/dev/null || true
  BENCH_XVFB_PID=""
}

# ---------------------------------------------------------------------------------------------
# Programs

# bench_start TAG PROGRAM ARGS...: starts a Windows program in the background; PROGRAM is a
# path inside the prefix (C:\...), as drive Z: is gone. WINEDEBUG is
# +msgbox (the text of every message box lands in its stderr) plus BENCH_WINEDEBUG, e.g.
# "warn+seh" for OutputDebugString. Output goes to $BENCH_LOG_DIR/TAG.out and TAG.err.
bench_start() {
  local tag=$1
  shift
  (cd "$WINEPREFIX/drive_c" &&
    exec env WINEDEBUG="fixme-all,+msgbox${BENCH_WINEDEBUG:+,$BENCH_WINEDEBUG}" wine "$@") \
    </dev/null >"$BENCH_LOG_DIR/$tag.out" 2>"$BENCH_LOG_DIR/$tag.err" &
  BENCH_PIDS[$tag]=$!
  unset 'BENCH_EXIT[$tag]'
}

_bench_exited() {
  local pid=$1
  [ ! -e "/proc/$pid" ] || grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null
}

# bench_wait_exit TAG [SECONDS]: waits for the program (default 30 s) and keeps its exit code in
# BENCH_EXIT[TAG]; sets it to "timeout" and returns 1 if the program is still running. Wine
# passes on only the low 8 bits of a Windows exit code.
bench_wait_exit() {
  local tag=$1 seconds=${2:-30}
  local pid=${BENCH_PIDS[$tag]:?no program started as $tag}
  if ! bench_poll "$seconds" _bench_exited "$pid"; then
    BENCH_EXIT[$tag]=timeout
    bench_log "program '$tag' still running after $seconds s"
    return 1
  fi
  local rc=0
  wait "$pid" || rc=$?
  BENCH_EXIT[$tag]=$rc
}

# ---------------------------------------------------------------------------------------------
# Windows

# bench_windows: the visible windows as "ID TITLE" lines, for diagnostics.
bench_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    printf '%s %s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

# xdotool matches titles as case-insensitive regular expressions; the bench wants exact titles.
_bench_find_window() {
  local title=$1 id
  for id in $(xdotool search --onlyvisible --name "$2" 2>/dev/null); do
    if [ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$title" ]; then
      BENCH_FOUND_WINDOW=$id
      return 0
    fi
  done
  return 1
}

# A window counts as drawn once two pictures taken one poll apart have the same pixels and more
# than two colours (a blank or half-painted window has fewer or keeps changing); by then a
# dialog has finished its set-up and takes keystrokes. The last picture stays as the shot.
_bench_shot_drawn() {
  local id=$1 shot=$2 signature
  import -window "$id" "$shot.new.png" 2>/dev/null || return 1
  signature=$(identify -format '%# %k' "$shot.new.png" 2>/dev/null) || return 1
  mv -f "$shot.new.png" "$shot"
  if [ "$signature" == "$_bench_last_signature" ] && [ "${signature#* }" -gt 2 ]; then return 0; fi
  _bench_last_signature=$signature
  return 1
}

# bench_wait_window TITLE [SECONDS]: waits (default 30 s) for a visible window with exactly that
# title to be drawn, saves its screenshot as NN-<title>.png in $BENCH_SHOT_DIR and sets
# BENCH_WINDOW to its id. On timeout it lists the windows it saw and returns 1.
bench_wait_window() {
  local title=$1 seconds=${2:-30}
  local pattern
  pattern=$(printf '%s' "$title" | sed 's/[][\.*^$(){}?+|/]/\\&/g')
  BENCH_FOUND_WINDOW=""
  if ! bench_poll "$seconds" _bench_find_window "$title" "^$pattern\$"; then
    bench_log "no window titled '$title' within $seconds s; visible windows:"
    bench_windows | sed 's/^/    /' >&2
    return 1
  fi
  BENCH_WINDOW=$BENCH_FOUND_WINDOW
  BENCH_SHOT_COUNT=$((BENCH_SHOT_COUNT + 1))
  local shot
  shot=$BENCH_SHOT_DIR/$(printf '%02d' "$BENCH_SHOT_COUNT")-$(printf '%s' "$title" | tr -cs 'A-Za-z0-9._-' '-' | sed 's/-$//').png
  _bench_last_signature=""
  bench_poll 10 _bench_shot_drawn "$BENCH_WINDOW" "$shot" \
    || bench_log "window '$title' did not finish drawing; $shot may be blank"
}

# bench_key WINDOW KEY...: focuses the window and types the keys (xdotool names: y, n, Return,
# Tab, alt+y ...), as a user at the keyboard would.
bench_key() {
  local id=$1
  shift
  timeout 10 xdotool windowfocus --sync "$id" >/dev/null 2>&1 || {
    bench_log "cannot focus window $id"
    return 1
  }
  xdotool key --clearmodifiers "$@" >/dev/null 2>&1
}

# bench_click_client WINDOW CLIENT_WIDTH CLIENT_HEIGHT X Y: a left click at client pixels of a
# window whose client area has the given size. Without a window manager Wine draws the frame,
# the caption and the menu bar inside the X window; they are worked out from its size.
bench_click_client() {
  local id=$1 client_w=$2 client_h=$3 x=$4 y=$5 geometry w h border
  geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
  w=${geometry%x*} h=${geometry#*x}
  border=$(((w - client_w) / 2))
  timeout 10 xdotool mousemove --window "$id" $((border + x)) $((h - border - client_h + y)) \
    click 1 >/dev/null 2>&1
}

_bench_window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

# bench_dist_rows_without NAME: layout rows placing every file of $VELMAR_DIST_DIR in C:\Tools
# except NAME (a run that must not find that program).
bench_dist_rows_without() {
  local file
  for file in "$VELMAR_DIST_DIR"/*; do
    [ -f "$file" ] && [ "$(basename "$file")" != "$1" ] &&
      echo "file | C:\\Tools\\$(basename "$file") | @$file"
  done
  return 0
}

# bench_find_new_window TITLE KNOWN_ID...: finds a visible window titled exactly TITLE that is
# none of the known ones and sets BENCH_FOUND_WINDOW to it. A program's message boxes carry its
# main window's title, so a box is told apart by being new.
bench_find_new_window() {
  local title=$1 id
  shift
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    [[ " $* " == *" $id "* ]] && continue
    if [ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$title" ]; then
      BENCH_FOUND_WINDOW=$id
      return 0
    fi
  done
  return 1
}

# bench_shot WINDOW NAME: once the window is drawn (by then it takes keystrokes), keeps its
# picture as NN-NAME.png in $BENCH_SHOT_DIR; only logs when it never settles.
bench_shot() {
  BENCH_SHOT_COUNT=$((BENCH_SHOT_COUNT + 1))
  _bench_last_signature=""
  bench_poll 10 _bench_shot_drawn "$1" "$BENCH_SHOT_DIR/$(printf '%02d' "$BENCH_SHOT_COUNT")-$2.png" ||
    bench_log "window $2 did not finish drawing"
}

# bench_expect_no_crash_of_32bit_programs: no program of the test, all 32-bit, died of an
# unhandled exception. Wine reports every crash as "wine: Unhandled ... at address A", with the
# address in 8 digits for a 32-bit process and 16 for a 64-bit one (Wine's own services in a
# 64-bit prefix); those are logged, not failed.
bench_expect_no_crash_of_32bit_programs() {
  local crashes ours
  crashes=$(grep -h '^wine: Unhandled' "$BENCH_LOG_DIR"/*.err "$BENCH_LOG_DIR"/*.log 2>/dev/null || true)
  ours=$(grep -E 'at address [0-9A-Fa-f]{8}[^0-9A-Fa-f]' <<<"$crashes" || true)
  [ -z "$crashes" ] || [ -n "$ours" ] || bench_log "a process of Wine's own crashed: $crashes"
  bench_expect_eq "no program of the run crashed" "" "$ours"
}

# bench_find_new_popup KNOWN_ID...: finds a visible window without a title (a pop-up menu, a
# borderless window) that is none of the known ones and sets BENCH_FOUND_WINDOW to it.
bench_find_new_popup() { bench_find_new_window "" "$@"; }

_bench_area_drawn() {
  local file=$1 crop=$2 signature
  import -window root -crop "$crop" +repage "$file.new.png" 2>/dev/null || return 1
  signature=$(identify -format '%#' "$file.new.png" 2>/dev/null) || return 1
  mv -f "$file.new.png" "$file"
  [ "$signature" == "$_bench_last_signature" ] && return 0
  _bench_last_signature=$signature
  return 1
}

# bench_shot_with_popup WINDOW NAME KNOWN_ID...: a new window without a title (see
# bench_find_new_popup) appears within 10 s over WINDOW and both are kept in one picture from the
# screen, NN-NAME.png; its id stays in BENCH_FOUND_WINDOW. A failure when none appears.
bench_shot_with_popup() {
  local owner=$1 name=$2 x1 y1 x2 y2 X Y WIDTH HEIGHT
  shift 2
  BENCH_FOUND_WINDOW=""
  bench_poll 10 bench_find_new_popup "$@" || { _bench_fail "$name: no pop-up window appeared"; return 0; }
  eval "$(xdotool getwindowgeometry --shell "$owner")"
  x1=$X y1=$Y x2=$((X + WIDTH)) y2=$((Y + HEIGHT))
  eval "$(xdotool getwindowgeometry --shell "$BENCH_FOUND_WINDOW")"
  ((X < x1)) && x1=$X
  ((Y < y1)) && y1=$Y
  ((X + WIDTH > x2)) && x2=$((X + WIDTH))
  ((Y + HEIGHT > y2)) && y2=$((Y + HEIGHT))
  BENCH_SHOT_COUNT=$((BENCH_SHOT_COUNT + 1))
  _bench_last_signature=""
  bench_poll 10 _bench_area_drawn "$BENCH_SHOT_DIR/$(printf '%02d' "$BENCH_SHOT_COUNT")-$name.png" \
    "$((x2 - x1))x$((y2 - y1))+$x1+$y1" || bench_log "$name: the screen did not settle"
}

# bench_answer_new_box TITLE NAME KEY SECONDS KNOWN_ID...: a new box titled TITLE (see
# bench_find_new_window) appears within SECONDS, is photographed as NN-box-NAME.png and KEY
# closes it; the test ends when it never appears or stays open. Its id stays in
# BENCH_FOUND_WINDOW. With BENCH_BOX_ACTIVATE=1 the box is clicked on its caption first: when
# another program's window took Wine's active window, where the keys go, that takes it back.
bench_answer_new_box() {
  local title=$1 name=$2 key=$3 seconds=$4
  shift 4
  BENCH_FOUND_WINDOW=""
  bench_poll "$seconds" bench_find_new_window "$title" "$@" || {
    bench_windows | sed 's/^/    /' >&2
    bench_die "message box '$name' never appeared"
  }
  bench_shot "$BENCH_FOUND_WINDOW" "box-$name"
  if [ "${BENCH_BOX_ACTIVATE:-0}" = 1 ]; then
    xdotool windowraise "$BENCH_FOUND_WINDOW" mousemove --window "$BENCH_FOUND_WINDOW" 40 8 click 1 \
      >/dev/null 2>&1
  fi
  bench_answer "$BENCH_FOUND_WINDOW" "$key" || bench_die "message box '$name' did not close"
}

# bench_answer WINDOW KEY [SECONDS]: answers a message box or dialog by keystroke and waits
# (default 10 s) for it to close; returns 1 if it stays open.
bench_answer() {
  local id=$1 key=$2 seconds=${3:-10}
  bench_key "$id" "$key" || return 1
  bench_poll "$seconds" _bench_window_gone "$id" && return 0
  bench_log "window $id still open $seconds s after key '$key'"
  return 1
}

# ---------------------------------------------------------------------------------------------
# Message box texts from Wine's +msgbox trace

# Wine writes each text as L"..." with \n \r \t \" \\ escaped, other UTF-16 units below 32 or
# above 126 as four hex digits (\00e9), narrow strings' bytes as \xNN, and cuts texts longer
# than about 290 escaped characters, marking the cut with ... after the closing quote.
_bench_msgbox_perl='
  use strict; use warnings; use Encode;
  my ($mode, $want) = @ARGV[0, 1];
  splice @ARGV, 0, 2;
  my $n = 0;
  while (my $line = <STDIN>) {
    next unless $line =~ /trace:msgbox:MSGBOX_OnInit L"(.*)"(\.\.\.)?\s*$/;
    my ($s, $cut) = ($1, $2);
    my @units;
    while ($s =~ /\G(?:\\(x[0-9a-fA-F]{2}|[0-9a-fA-F]{4}|[nrt"\\])|(.))/gs) {
      if (defined $2) { push @units, ord $2; next; }
      my $e = $1;
      if    ($e eq "n") { push @units, 10 }
      elsif ($e eq "r") { push @units, 13 }
      elsif ($e eq "t") { push @units, 9 }
      elsif (length $e == 1) { push @units, ord $e }
      elsif ($e =~ /^x(..)$/) { push @units, hex $1 }
      else { push @units, hex $e }
    }
    my $text = decode("UTF-16BE", pack("n*", @units));
    $n++;
    if ($mode eq "collect") {
      printf "=== message %d%s\n%s\n", $n, ($cut ? " (cut short by Wine)" : ""), $text;
    } elsif ($mode eq "get" && $n == $want) {
      print $text; exit 0;
    } elsif ($mode eq "cut" && $n == $want) {
      exit($cut ? 0 : 1);
    }
  }
  if ($mode eq "count") { print "$n\n"; exit 0 }
  exit($mode eq "collect" ? 0 : 2);
'

# bench_collect_msgboxes TAG: writes every message box text the program showed, decoded, to
# $BENCH_LOG_DIR/TAG.msgboxes.txt (each headed "=== message N") and prints how many there were.
bench_collect_msgboxes() {
  local err=$BENCH_LOG_DIR/$1.err
  perl -CO -e "$_bench_msgbox_perl" collect 0 <"$err" >"$BENCH_LOG_DIR/$1.msgboxes.txt"
  perl -CO -e "$_bench_msgbox_perl" count 0 <"$err"
}

# bench_msgbox TAG N: prints the text of the Nth (from 1) message box the program showed;
# returns 1 if it showed fewer. The text may be cut short: see bench_msgbox_cut.
bench_msgbox() {
  perl -CO -e "$_bench_msgbox_perl" get "$2" <"$BENCH_LOG_DIR/$1.err" || return 1
}

# bench_msgbox_cut TAG N: succeeds if Wine's trace holds only the start of that text.
bench_msgbox_cut() {
  perl -e "$_bench_msgbox_perl" cut "$2" <"$BENCH_LOG_DIR/$1.err"
}

# bench_expect_msgbox WHAT TAG N EXPECTED: the Nth message box showed exactly EXPECTED; when the
# trace holds only the start of a long text, that start must begin EXPECTED.
bench_expect_msgbox() {
  local what=$1 tag=$2 n=$3 expected=$4 seen
  # The x keeps a final line break that $(...) would drop.
  if ! seen=$(bench_msgbox "$tag" "$n" && printf x); then
    _bench_fail "$what"
    { _bench_show expected: "$expected"; _bench_show "seen: no message box $n in $BENCH_LOG_DIR/$tag.err" ""; } >&2
    return 0
  fi
  seen=${seen%x}
  if bench_msgbox_cut "$tag" "$n" && [ "${#seen}" -lt "${#expected}" ]; then
    bench_log "message box $n of '$tag' is cut short in Wine's trace; comparing its first ${#seen} characters"
    expected=${expected:0:${#seen}}
  fi
  bench_expect_eq "$what" "$expected" "$seen"
}

# ---------------------------------------------------------------------------------------------
# Services

# bench_service_state NAME: prints the state word sc query shows (RUNNING, STOPPED, ...),
# MISSING when no such service exists (Windows error 1060) or ERROR when sc itself failed.
bench_service_state() {
  if ! bench_wine "sc-query-$1" sc query "$1"; then
    if grep -q 'failed to open service 1060' "$BENCH_LOG_DIR/sc-query-$1.err"; then
      echo MISSING
    else
      echo ERROR
    fi
    return 0
  fi
  local state
  state=$(sed -n 's/^[[:space:]]*STATE[[:space:]]*:[[:space:]]*[0-9]*[[:space:]]*\([A-Z_]*\).*/\1/p' <<<"$BENCH_LAST_OUT")
  echo "${state:-UNKNOWN}"
}

_bench_service_is() { [ "$(bench_service_state "$1")" == "$2" ]; }

# bench_wait_service_state NAME STATE [SECONDS]: polls sc query (default 30 s) and prints the
# last state seen; returns 1 if it never became STATE.
bench_wait_service_state() {
  local name=$1 state=$2 seconds=${3:-30}
  if bench_poll "$seconds" _bench_service_is "$name" "$state"; then
    echo "$state"
    return 0
  fi
  bench_service_state "$name"
  return 1
}

# bench_kill TAG: ends a program started with bench_start at once, as a run stopped half-way
# (its Wine process is the Windows process: killing it ends the program and its windows), and
# waits for it; BENCH_EXIT[TAG] gets the shell's code for the signal.
bench_kill() {
  local tag=$1
  local pid=${BENCH_PIDS[$tag]:?no program started as $tag}
  kill -KILL "$pid" 2>/dev/null || true
  bench_wait_exit "$tag" 10 || bench_die "program '$tag' survived its kill"
}
