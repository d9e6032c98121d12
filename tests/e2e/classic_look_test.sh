#!/usr/bin/env bash
# What a Windows 2000 server shows of the uninstaller. Windows 2000 reads no manifest and has no
# side-by-side store, so the shipped program gets the system's own common controls there; Wine
# reads the manifest whatever Windows it imitates and gives it version 6 from its store. So the
# shipped program runs under the win2k personality in a prefix whose store holds no common
# controls 6, as Windows 2000 would have it, in English and German: its main window, pictured,
# then a real removal of the directory data on the stand-in SQL Server (data/
# progress_sql_server.txt) with the progress window over the main window, pictured while the bar
# rests at the subscriber count (docs/screenshots take main-classic-* and progress-classic-*).
# Asserts the common controls it ran with (first that the intact store would give version 6),
# the bar's range and position read from outside, and the progress window's size and place.
#
# Run by hand after building the windows preset:  bash tests/e2e/classic_look_test.sh
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
# shellcheck source=lib/progress_window.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/progress_window.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${BENCH_WINDOWS_VERSION:=win2k}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
: "${PROGRESSPROBE_EXE:=$BENCH_BUILD_DIR/e2e/bin/progressprobe.exe}"
: "${ADO_STANDIN_DLL:=$BENCH_BUILD_DIR/tests/conformance/ado_standin.dll}"
dist_dir=$(dirname "$UNINSTALLER_EXE")
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$PROGRESSPROBE_EXE" "$ADO_STANDIN_DLL" \
  "$progress_layout" "$dist_dir/VelmarUninstall3xandUp_DEU.dll"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

program='C:\Tools\VelmarUninstall3xandUp.exe'
closing_en='^Exiting Application at:[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?'$'\r''$'
# The message boxes keep the English title in every language.
box_title="Velmar Uninstaller"
# The progress window's client area and place from the main window's corner, in pixels at 96
# DPI (7245 x 945 twips, 200 and 500 twips off).
splash_size=483x63 splash_offset=(13 33)
# The product database's objects that make the bar's range (see the lay-out file).

bench_begin "${BENCH_TEST_NAME:-e2e.classic_look}"
bench_xvfb_start

# wine_locale NAME: the locale of the Wine processes started from here on ("" for the host's);
# bash itself must not complain about one this host lacks.
wine_locale() {
  local fd
  exec {fd}>&2 2>/dev/null
  if [ -n "$1" ]; then export LC_ALL=$1; else unset LC_ALL; fi
  exec 2>&"$fd" {fd}>&-
}

# fresh_machine LOCALE: a new prefix whose processes, services included, run in LOCALE (Wine's
# user language decides the uninstaller's), with the dist folder in C:\Tools, the product
# running (so the main window comes first with no question), the stand-in SQL Server with the
# small product database and the bar's probe.
fresh_machine() {
  local file
  locale=$1
  wine_locale "$locale"
  bench_prefix_new
  {
    for file in "$dist_dir"/*; do
      [ -f "$file" ] && echo "file | C:\\Tools\\$(basename "$file") | @$file"
    done
    echo "file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE"
    echo "file  | C:\\bench\\progressprobe.exe | @$PROGRESSPROBE_EXE"
    echo "value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00040000"
    echo "value | HKLM\\Software\\Quillon | Build Number | REG_DWORD | 0x00030032"
    echo "value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Program Files\\Corvane"
  } | bench_install_product
  bench_wine sc-create sc create ZqKtGateWay binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
  bench_wine net-start net start ZqKtGateWay || bench_die "$BENCH_LAST_OUT"
  bench_wait_service_state ZqKtGateWay RUNNING 20 >/dev/null || bench_die "the gateway did not start"
  bench_sql_standin "$progress_layout"
  wine_locale ""
}

# without_common_controls_6: the prefix's side-by-side store loses the common controls 6 (the
# assembly and its manifest), as a Windows 2000 server has none.
without_common_controls_6() {
  local store=$WINEPREFIX/drive_c/windows/winsxs
  compgen -G "$store/manifests/x86_microsoft.windows.common-controls_*" >/dev/null ||
    bench_die "the prefix's store holds no common controls to take away"
  rm -rf "$store"/manifests/x86_microsoft.windows.common-controls_* \
    "$store"/x86_microsoft.windows.common-controls_*
}

# comctl32 TAG: every common controls library the program loaded, from Wine's +loaddll trace,
# in lower case (the name is as the program's import table spells it).
comctl32() {
  sed -n 's/.*trace:loaddll:[a-z_]* Loaded L"\([^"]*\\comctl32\.dll\)".*/\1/Ip' "$BENCH_LOG_DIR/$1.err" |
    sed 's/\\\\/\\/g' | tr '[:upper:]' '[:lower:]'
}

# start TAG TITLE: the program started with Wine's +loaddll trace; its main window, titled
# TITLE, pictured as main-TAG, its id in main; the visible windows before it in before.
start() {
  local tag=$1 title=$2
  before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
  wine_locale "$locale"
  BENCH_WINEDEBUG=+loaddll bench_start "$tag" "$program"
  wine_locale ""
  BENCH_FOUND_WINDOW=""
  # shellcheck disable=SC2086 # the list of window ids
  bench_poll 30 bench_find_new_window "$title" $before || {
    bench_windows | sed 's/^/    /' >&2
    bench_die "$tag: no main window titled '$title'"
  }
  main=$BENCH_FOUND_WINDOW
  bench_shot "$main" "main-$tag"
}

# remove_directory_data TAG YES_KEY: the option ticked (no, yes, no keep the tick), Uninstall
# pressed and confirmed (YES_KEY: Wine's buttons follow the locale); the bar's range and its
# position once the subscribers are done checked; the progress window over the main window
# pictured as progress-TAG while the lists and the location go, its size and place checked;
# then the run is ended.
remove_directory_data() {
  local tag=$1 yes=$2 key boxes=0 splash X Y WIDTH HEIGHT main_x main_y
  bench_click_client "$main" 508 299 27 30
  for key in n "$yes" n; do
    # shellcheck disable=SC2086 # the list of window ids
    bench_answer_new_box "$box_title" "$tag-$((++boxes))" "$key" 30 $before "$main"
  done
  bench_click_client "$main" 508 299 52 280
  for key in "$yes" "$yes" "$yes" "$yes"; do
    # shellcheck disable=SC2086 # the list of window ids
    bench_answer_new_box "$box_title" "$tag-$((++boxes))" "$key" 30 $before "$main"
  done
  # shellcheck disable=SC2086 # the list of window ids
  progress_picture "$tag" "$main" "progress-$tag" $before
  splash=$progress_window
  eval "$(xdotool getwindowgeometry --shell "$main")"
  main_x=$X main_y=$Y
  eval "$(xdotool getwindowgeometry --shell "$splash")"
  bench_expect_eq "$tag: the progress window, borderless, over the main window" \
    "$splash_size+${splash_offset[0]}+${splash_offset[1]}" \
    "${WIDTH}x$HEIGHT+$((X - main_x))+$((Y - main_y))"
  bench_kill "$tag"
}

fresh_machine ""
# Why the store loses them: under this personality too, the shipped manifest gets version 6.
start v6-en "Velmar Uninstaller"
bench_expect_match "v6-en: the manifest's common controls, from the side-by-side store" \
  '^c:\\windows\\winsxs\\x86_microsoft\.windows\.common-controls_6595b64144ccf1df_6\.[^\\]*\\comctl32\.dll$' \
  "$(comctl32 v6-en)"
bench_key "$main" alt+F4
bench_wait_exit v6-en || bench_die "v6-en: closing the main window did not end the program"
bench_expect_match "v6-en: the log ends with the closing line" "$closing_en" \
  "$(tail -n 1 "$(bench_unix_path 'C:\VelmarUninstall.log')")"

without_common_controls_6
start classic-en "Velmar Uninstaller"
bench_expect_eq "classic-en: the system's own common controls, and no other" \
  'c:\windows\system32\comctl32.dll' "$(comctl32 classic-en)"
remove_directory_data classic-en y

fresh_machine de_DE.UTF-8
without_common_controls_6
start classic-de "Velmar-Deinstallationsprogramm"
bench_expect_eq "classic-de: the system's own common controls, and no other" \
  'c:\windows\system32\comctl32.dll' "$(comctl32 classic-de)"
remove_directory_data classic-de j

bench_finish
