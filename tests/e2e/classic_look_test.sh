#!/usr/bin/env bash
# What a Windows 2000 server shows of the uninstaller. Wine gives the version 6 common controls
# to any program whose manifest asks for them, whatever Windows it imitates; Windows 2000 reads
# no manifest. So the never-shipped classic preview (programs/splash, the uninstaller with a
# manifest that asks for nothing) runs under the win2k personality, in English and German: its
# main window alone, then the progress window over it, each pictured (docs/screenshots take
# main-classic-* and progress-classic-*). Asserts the common controls it ran with (the system's
# own, where the shipped manifest gets version 6 from the side-by-side store), the progress
# window's size and place, and the closing log line.
#
# Run by hand after building the windows preset:  bash tests/e2e/classic_look_test.sh
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${BENCH_WINDOWS_VERSION:=win2k}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
: "${SPLASH_PREVIEW_EXE:=$BENCH_BUILD_DIR/e2e/bin/splashpreview.exe}"
: "${SPLASH_CLASSIC_EXE:=$BENCH_BUILD_DIR/e2e/bin/splashpreview_classic.exe}"
dist_dir=$(dirname "$UNINSTALLER_EXE")
for file in "$FAKESVC_EXE" "$SPLASH_PREVIEW_EXE" "$SPLASH_CLASSIC_EXE" \
  "$dist_dir/VelmarUninstall3xandUp_DEU.dll"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

# Each takes the language libraries named after the uninstaller from its own folder.
classic='C:\Classic\VelmarUninstall3xandUp.exe'
version6='C:\Preview\VelmarUninstall3xandUp.exe'
closing_en='^Exiting Application at:[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?'$'\r''$'
closing_de='^Exiting Application at:[0-9]{1,2}\.[0-9]{1,2}\.[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}'$'\r''$'
# The progress window's client area and place from the main window's corner, in pixels at 96
# DPI (7245 x 945 twips, 200 and 500 twips off).
splash_size=483x63 splash_offset=(13 33)

bench_begin "${BENCH_TEST_NAME:-e2e.classic_look}"
bench_xvfb_start

# fresh_machine LOCALE: a new prefix whose processes, services included, run in LOCALE (Wine's
# user language decides the uninstaller's), with both previews and the language libraries, and
# the product running, so the main window comes first with no question.
fresh_machine() {
  local file
  locale=$1
  wine_locale "$locale"
  bench_prefix_new
  {
    echo "file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE"
    echo "file  | $classic | @$SPLASH_CLASSIC_EXE"
    echo "file  | $version6 | @$SPLASH_PREVIEW_EXE"
    for file in "$dist_dir"/VelmarUninstall3xandUp_*.dll; do
      echo "file | C:\\Classic\\$(basename "$file") | @$file"
    done
    echo "value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00040000"
    echo "value | HKLM\\Software\\Quillon | Build Number | REG_DWORD | 0x00030032"
    echo "value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Program Files\\Corvane"
  } | bench_install_product
  bench_wine sc-create sc create ZqKtGateWay binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
  bench_wine net-start net start ZqKtGateWay || bench_die "$BENCH_LAST_OUT"
  bench_wait_service_state ZqKtGateWay RUNNING 20 >/dev/null || bench_die "the gateway did not start"
  wine_locale ""
}

# wine_locale NAME: the locale of the Wine processes started from here on ("" for the host's);
# bash itself must not complain about one this host lacks.
wine_locale() {
  local fd
  exec {fd}>&2 2>/dev/null
  if [ -n "$1" ]; then export LC_ALL=$1; else unset LC_ALL; fi
  exec 2>&"$fd" {fd}>&-
}

# comctl32 TAG: every common controls library the program loaded, from Wine's +loaddll trace,
# in lower case (the name is as the program's import table spells it).
comctl32() {
  sed -n 's/.*trace:loaddll:[a-z_]* Loaded L"\([^"]*\\comctl32\.dll\)".*/\1/Ip' "$BENCH_LOG_DIR/$1.err" |
    sed 's/\\\\/\\/g' | tr '[:upper:]' '[:lower:]'
}

# run TAG TITLE CLOSING_REGEX PROGRAM [/main]: the program to its main window; with /main that
# alone, pictured as main-TAG, else the progress window over it, pictured as progress-TAG; the
# close box ends it with the closing line and no message box.
run() {
  local tag=$1 title=$2 closing=$3 before main X Y WIDTH HEIGHT main_x main_y
  shift 3
  before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
  wine_locale "$locale"
  BENCH_WINEDEBUG=+loaddll bench_start "$tag" "$@"
  wine_locale ""
  BENCH_FOUND_WINDOW=""
  # shellcheck disable=SC2086 # the list of window ids
  bench_poll 30 bench_find_new_window "$title" $before || {
    bench_windows | sed 's/^/    /' >&2
    bench_die "$tag: no main window titled '$title'"
  }
  main=$BENCH_FOUND_WINDOW
  if [ "${2:-}" == /main ]; then
    bench_shot "$main" "main-$tag"
  else
    # shellcheck disable=SC2086 # the list of window ids
    bench_shot_with_popup "$main" "progress-$tag" $before $main
    if [ -n "$BENCH_FOUND_WINDOW" ]; then
      eval "$(xdotool getwindowgeometry --shell "$main")"
      main_x=$X main_y=$Y
      eval "$(xdotool getwindowgeometry --shell "$BENCH_FOUND_WINDOW")"
      bench_expect_eq "$tag: the progress window, borderless, over the main window" \
        "$splash_size+${splash_offset[0]}+${splash_offset[1]}" \
        "${WIDTH}x$HEIGHT+$((X - main_x))+$((Y - main_y))"
    fi
    # The progress window took the focus; a click on the main window's caption takes it back.
    timeout 10 xdotool mousemove --window "$main" 60 12 click 1 >/dev/null 2>&1 || true
  fi
  bench_key "$main" alt+F4
  bench_wait_exit "$tag" || bench_die "$tag: closing the main window did not end the program"
  bench_expect_eq "$tag: exit code" 0 "${BENCH_EXIT[$tag]}"
  bench_expect_match "$tag: the log ends with the closing line" "$closing" \
    "$(tail -n 1 "$(bench_unix_path 'C:\VelmarUninstall.log')")"
  bench_expect_eq "$tag: no message box" 0 "$(bench_collect_msgboxes "$tag")"
}

fresh_machine ""
run v6-en "Velmar Uninstaller" "$closing_en" "$version6" /main
# Why the classic build exists: under this personality too, the shipped manifest gets version 6.
bench_expect_match "v6-en: the manifest's common controls, from the side-by-side store" \
  '^c:\\windows\\winsxs\\x86_microsoft\.windows\.common-controls_6595b64144ccf1df_6\.[^\\]*\\comctl32\.dll$' \
  "$(comctl32 v6-en)"
run classic-en "Velmar Uninstaller" "$closing_en" "$classic" /main
bench_expect_eq "classic-en: the system's own common controls, and no other" \
  'c:\windows\system32\comctl32.dll' "$(comctl32 classic-en)"
run classic-en "Velmar Uninstaller" "$closing_en" "$classic"

fresh_machine de_DE.UTF-8
run classic-de "Velmar-Deinstallationsprogramm" "$closing_de" "$classic" /main
run classic-de "Velmar-Deinstallationsprogramm" "$closing_de" "$classic"

bench_finish
