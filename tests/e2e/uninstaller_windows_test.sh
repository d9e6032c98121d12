#!/usr/bin/env bash
# The uninstaller's windows under Wine, driven as a user would: the failover warning, the main
# window, About with its language menu, the help window and the progress window, in English,
# switched to German, German from the start and both at 144 DPI. Asserts titles, the help page
# address, window sizes and the closing log line, and leaves a screenshot of every window
# (docs/screenshots come from here). The progress window comes from a real removal of the
# directory data on the stand-in SQL Server (data/progress_sql_server.txt), whose bar is read
# from outside by progressprobe.
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_windows_test.sh
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
# shellcheck source=lib/progress_window.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/progress_window.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
# Reads the range and position of the progress window's bar.
: "${PROGRESSPROBE_EXE:=$BENCH_BUILD_DIR/e2e/bin/progressprobe.exe}"
: "${ADO_STANDIN_DLL:=$BENCH_BUILD_DIR/tests/conformance/ado_standin.dll}"
# The program finds its language libraries and help page beside itself: the whole dist folder.
dist_dir=$(dirname "$UNINSTALLER_EXE")
for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$PROGRESSPROBE_EXE" "$ADO_STANDIN_DLL" "$progress_layout" \
  "$dist_dir/VelmarUninstall3xandUp_DEU.dll" "$dist_dir/VelmarUninstall3xandUp.htm"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done

program='C:\Tools\VelmarUninstall3xandUp.exe'
title_en="Velmar Uninstaller"
title_de="Velmar-Deinstallationsprogramm"
warning_en="Uninstall - WARNING"
warning_de="Deinstallation - WARNUNG"
# Wine's +atl trace of the browser control made for the help window's address.
help_trace='trace:atl:AtlAxCreateControlLicEx (L"file://C:\\Tools\\VelmarUninstall3xandUp.htm"'
closing_en='^Exiting Application at:[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?'$'\r''$'
closing_de='^Exiting Application at:[0-9]{1,2}\.[0-9]{1,2}\.[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}'$'\r''$'

# Client areas and places in twips, as the windows' control tables give them.
main_twips=(7620 4485)
warning_twips=(7845 3570)
about_twips=(6090 3285)
splash_twips=(7245 945)
splash_offset=(200 500)  # from the main window's top left corner
option_at=(405 450)     # the subscriber-data option's box (27, 30 pixels at 96 DPI)
uninstall_at=(780 4200) # inside Uninstall (52, 280 pixels at 96 DPI)
# The product database's objects that make the bar's range (see the lay-out file).
proceed_at=(1200 3240)  # inside Proceed (120, 3000, 3315 x 495)
link_at=(600 1950)      # inside "Change Language" (180, 1860, 2895 x 195)
ok_at=(5300 2940)       # inside OK (4680, 2760, 1275 x 375)

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_windows}"
bench_xvfb_start

# px TWIPS DPI: pixels as the program rounds them (MulDiv).
px() { echo $((($1 * $2 + 720) / 1440)); }

# fresh_machine DPI: a new prefix with a failover primary whose gateway service runs (so no
# question comes before the windows), the dist folder in C:\Tools and the screen at DPI.
fresh_machine() {
  local dpi=$1 file
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
    echo "value | HKLM\\Software\\Quillon\\ZqKtNodeMgr\\1.0 | Primary | REG_DWORD | 1"
  } | bench_install_product
  # Wine 8 takes the DPI from the user's value and falls back on HKCC\Software\Fonts only
  # when it is missing; winecfg writes the user's.
  if [ "$dpi" != 96 ]; then
    bench_wine dpi reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      || bench_die "cannot set the DPI: $(cat "$BENCH_LOG_DIR/dpi.err")"
  fi
  bench_wine sc-create sc create ZqKtGateWay binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
  bench_wine net-start net start ZqKtGateWay || bench_die "$BENCH_LAST_OUT"
  bench_wait_service_state ZqKtGateWay RUNNING 20 >/dev/null || bench_die "the gateway did not start"
}

# click_twips WINDOW DPI CLIENT_TWIPS_W CLIENT_TWIPS_H X Y: the same, all in twips.
click_twips() {
  bench_click_client "$1" "$(px "$3" "$2")" "$(px "$4" "$2")" "$(px "$5" "$2")" "$(px "$6" "$2")"
}

size_of() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }
title_of() { xdotool getwindowname "$1" 2>/dev/null; }
title_is() { [ "$(title_of "$1")" == "$2" ]; }
window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

# shot WINDOW NAME: waits for the window to be drawn (the bench's rule) and keeps the picture
# as NN-NAME.png, its path in shot_file.
shot() {
  BENCH_SHOT_COUNT=$((BENCH_SHOT_COUNT + 1))
  shot_file=$BENCH_SHOT_DIR/$(printf '%02d' "$BENCH_SHOT_COUNT")-$2.png
  _bench_last_signature=""
  bench_poll 10 _bench_shot_drawn "$1" "$shot_file" ||
    bench_log "window $1 did not finish drawing; $shot_file may be blank"
}

# expect_same_picture WHAT PICTURE PICTURE: the two screenshots have the same pixels.
expect_same_picture() {
  local differ
  differ=$(compare -metric AE "$2" "$3" null: 2>&1) || true
  if [ "$differ" == 0 ]; then
    printf 'ok: %s\n' "$1" >&2
  else
    _bench_fail "$1: $differ pixels differ between $2 and $3"
  fi
}

# wait_window TITLE NAME [KNOWN_ID...]: waits for a new visible window with exactly that title
# (About and the help window carry the main window's title, so a window is told apart by being
# new), photographs it and sets window to its id.
wait_window() {
  local title=$1 name=$2
  shift 2
  BENCH_FOUND_WINDOW=""
  if ! bench_poll 30 bench_find_new_window "$title" "$@"; then
    bench_log "no new window titled '$title' within 30 s; visible windows:"
    bench_windows | sed 's/^/    /' >&2
    return 1
  fi
  window=$BENCH_FOUND_WINDOW
  shot "$window" "$name"
}

# A pop-up menu is a window of its own without a title; it is photographed together with the
# window it opened over, from the screen (the windows visible before it are in $before).
shot_with_popup() {
  # shellcheck disable=SC2086 # the list of window ids
  bench_shot_with_popup "$1" "$2" $before
}

# menu WINDOW KEYS...: F10 opens the window's menu bar, the keys move and choose.
menu() {
  local id=$1
  shift
  bench_key "$id" F10 "$@" || bench_die "cannot type into window $id"
}

# wine_locale NAME: the locale the Wine processes started from here on get ("" for the host's).
# Bash itself complains when it cannot switch to it; that is not its business here.
wine_locale() {
  local fd
  exec {fd}>&2 2>/dev/null
  if [ -n "$1" ]; then export LC_ALL=$1; else unset LC_ALL; fi
  exec 2>&"$fd" {fd}>&-
}

log_text() { cat "$(bench_unix_path 'C:\VelmarUninstall.log')"; }

# close_main TAG WINDOW CLOSING_REGEX: the close box ends the program with the closing line.
close_main() {
  local tag=$1 id=$2 closing=$3
  bench_key "$id" alt+F4
  bench_wait_exit "$tag" || bench_die "$tag: closing the main window did not end the program"
  bench_expect_eq "$tag: exit code" 0 "${BENCH_EXIT[$tag]}"
  bench_expect_match "$tag: the log ends with the closing line" "$closing" "$(log_text | tail -1)"
  bench_expect_eq "$tag: no message box at all" 0 "$(bench_collect_msgboxes "$tag")"
}

# close_window TAG WHAT WINDOW: alt+F4 closes a secondary window and the program goes on.
close_window() {
  bench_key "$3" alt+F4
  bench_poll 10 window_gone "$3" || _bench_fail "$1: the $2 window did not close"
}

help_addresses() { grep -cF "$help_trace" "$BENCH_LOG_DIR/$1.err" || true; }

# expect_help_page TAG WHAT COUNT_BEFORE: the help window opened made exactly one browser for
# the page (showing and laying out the window must not load it again).
expect_help_page() {
  local seen
  seen=$(help_addresses "$1")
  if ((seen == $3 + 1)); then
    printf 'ok: %s\n' "$2" >&2
  else
    _bench_fail "$2: $((seen - $3)) browsers for the help page (one expected) in $BENCH_LOG_DIR/$1.err"
  fi
}

# The entries of the pop-up menu made last, from Wine's +menu trace, one a line.
last_popup_entries() {
  sed -n 's/.*trace:menu:InsertMenuW hMenu \([0-9A-Fa-f]*\), .*, str L"\(.*\)"$/\1 \2/p' \
    "$BENCH_LOG_DIR/$1.err" | awk '{ menu[NR] = $1; text[NR] = substr($0, length($1) + 2) }
      END { for (i = 1; i <= NR; i++) if (menu[i] == menu[NR]) print text[i] }'
}

# near ACTUAL EXPECTED: within one pixel (the place goes through twips and back).
near() { (($1 - $2 <= 1 && $2 - $1 <= 1)); }

# show_splash TAG DPI LOCALE WARNING_TITLE MAIN_TITLE YES_KEY: a real removal of the directory
# data on the stand-in SQL Server: the option ticked (its three questions answered no, yes, no
# keep the tick), Uninstall pressed and its four questions answered yes (YES_KEY: Wine's buttons
# follow the locale). The bar's range is the subscribers and locations together and it has
# advanced once per subscriber when they are done; then, while the distribution lists and the
# location are removed (at least two seconds each), the progress window over the main window is
# photographed together with it as splash-TAG and its size and place are checked. The run is
# ended there: the rest of the sequence has nothing of the product to remove here.
show_splash() {
  local tag=$1 dpi=$2 locale=$3 warning_title=$4 title=$5 yes=$6 main splash key boxes=0
  local X Y WIDTH HEIGHT main_x main_y
  wine_locale "$locale"
  bench_sql_standin "$progress_layout"
  wine_locale ""
  before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
  wine_locale "$locale"
  bench_start "splash-$tag" "$program"
  wine_locale ""
  wait_window "$warning_title" "splash-failover-$tag" || bench_die "splash-$tag: no failover warning"
  click_twips "$window" "$dpi" "${warning_twips[@]}" "${proceed_at[@]}"
  wait_window "$title" "splash-main-$tag" "$window" || bench_die "splash-$tag: no main window"
  main=$window
  click_twips "$main" "$dpi" "${main_twips[@]}" "${option_at[@]}"
  for key in n "$yes" n; do
    # shellcheck disable=SC2086 # the list of window ids
    bench_answer_new_box "$title_en" "splash-$tag-$((++boxes))" "$key" 30 $before "$main"
  done
  click_twips "$main" "$dpi" "${main_twips[@]}" "${uninstall_at[@]}"
  for key in "$yes" "$yes" "$yes" "$yes"; do
    # shellcheck disable=SC2086 # the list of window ids
    bench_answer_new_box "$title_en" "splash-$tag-$((++boxes))" "$key" 30 $before "$main"
  done
  # shellcheck disable=SC2086 # the list of window ids
  progress_picture "splash-$tag" "$main" "splash-$tag" $before
  splash=$progress_window
  eval "$(xdotool getwindowgeometry --shell "$main")"
  main_x=$X main_y=$Y
  eval "$(xdotool getwindowgeometry --shell "$splash")"
  bench_expect_eq "splash-$tag: no frame, the size the twips give" \
    "$(px "${splash_twips[0]}" "$dpi")x$(px "${splash_twips[1]}" "$dpi")" "${WIDTH}x$HEIGHT"
  if near $((X - main_x)) "$(px "${splash_offset[0]}" "$dpi")" &&
    near $((Y - main_y)) "$(px "${splash_offset[1]}" "$dpi")"; then
    printf 'ok: splash-%s: 200 twips right of and 500 below the main window\n' "$tag" >&2
  else
    _bench_fail "splash-$tag: at +$((X - main_x))+$((Y - main_y)) from the main window"
  fi
  bench_kill "splash-$tag"
}

# --- English, switched to German on the way --------------------------------------------------
fresh_machine 96
BENCH_WINEDEBUG=+atl,+menu bench_start en "$program"
wait_window "$warning_en" failover-en || bench_die "en: no failover warning"
warning=$window
warning_size=$(size_of "$warning")

# The warning's own Help menu opens the help window over it, on the installed page.
menu "$warning" Down Return
wait_window "$title_en" details-en "$warning" || bench_die "en: Help on the warning opened nothing"
expect_help_page en "en: the help window shows the page beside the program" 0
close_window en help "$window"
window_gone "$warning" && _bench_fail "en: the warning went away with the help window"

click_twips "$warning" 96 "${warning_twips[@]}" "${proceed_at[@]}"
bench_poll 10 window_gone "$warning" || bench_die "en: Proceed did not close the warning"
wait_window "$title_en" main-en "$warning" || bench_die "en: no main window after Proceed"
main=$window
main_size=$(size_of "$main")

menu "$main" Right Down Down Return  # Help > About (past the separator)
wait_window "$title_en" about-en "$main" || bench_die "en: Help > About opened nothing"
about=$window
about_size=$(size_of "$about")

before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
click_twips "$about" 96 "${about_twips[@]}" "${link_at[@]}"
shot_with_popup "$about" language-menu-en
# The menu lists the languages installed, in folder order, by their names from Windows.
bench_expect_eq "en: the language menu lists German, English, French" \
  $'German\nEnglish\nFrench' "$(last_popup_entries en)"
xdotool key Down Return  # the first entry: German
# Every open window is relabelled, one after the other.
bench_poll 10 title_is "$about" "$title_de" || true
bench_poll 10 title_is "$main" "$title_de" || true
bench_expect_eq "en: choosing German relabels the main window" "$title_de" "$(title_of "$main")"
bench_expect_eq "en: ... and About" "$title_de" "$(title_of "$about")"
shot "$about" about-de-switched
about_switched=$shot_file
click_twips "$about" 96 "${about_twips[@]}" "${ok_at[@]}"
bench_poll 10 window_gone "$about" || _bench_fail "en: OK did not close About"
shot "$main" main-de-switched
main_switched=$shot_file

opened=$(help_addresses en)
menu "$main" Right Down Return  # Help > Help
wait_window "$title_de" details-de-switched "$main" || bench_die "en: Help > Help opened nothing"
expect_help_page en "en: the help window from the main menu shows the same page" "$opened"
close_window en help "$window"
window_gone "$main" && _bench_fail "en: the main window went away with the help window"
close_main en "$main" "$closing_en"
show_splash en 96 "" "$warning_en" "$title_en" y

# --- German from the start: Wine's user language decides -------------------------------------
# Wine takes the user's locale from LC_ALL; the host needs no German locale of its own. The
# whole machine runs with it, services included: a service started on demand during the run
# (rpcss) with another locale would turn the user's regional settings back under the program.
wine_locale de_DE.UTF-8
fresh_machine 96
bench_wine user-locale reg query 'HKCU\Control Panel\International' /v Locale || true
bench_expect_match "de: Wine's user locale is 0x407" 'Locale +REG_SZ +00000407' "$BENCH_LAST_OUT"
bench_start de "$program"
wine_locale ""  # the programs have it; perl must not see a locale this host lacks
wait_window "$warning_de" failover-de || bench_die "de: no German failover warning"
warning=$window
click_twips "$warning" 96 "${warning_twips[@]}" "${proceed_at[@]}"
wait_window "$title_de" main-de "$warning" || bench_die "de: no German main window"
main=$window
# Switching relabels every control and menu as a German start labels them.
expect_same_picture "de: the main window as the English run switched it" "$main_switched" "$shot_file"
menu "$main" Right Down Down Return
wait_window "$title_de" about-de "$main" || bench_die "de: Hilfe > Info opened nothing"
expect_same_picture "de: About as the English run switched it" "$about_switched" "$shot_file"
click_twips "$window" 96 "${about_twips[@]}" "${ok_at[@]}"
bench_poll 10 window_gone "$window" || _bench_fail "de: OK did not close About"
menu "$main" Right Down Return
wait_window "$title_de" details-de "$main" || bench_die "de: Hilfe > Hilfe opened nothing"
close_window de help "$window"
# The date in the closing line follows the user's locale too.
close_main de "$main" "$closing_de"
show_splash de 96 de_DE.UTF-8 "$warning_de" "$title_de" j

# --- Korean: no library, English texts, but the controls take the Korean font ----------------
# Wine's +font trace shows every font made: (height width escapement orientation pitch
# precision clip quality charset) face. The font table gives Korean charset 129 and Gulim.
wine_locale ko_KR.UTF-8
BENCH_WINEDEBUG=+font bench_start ko "$program"
wine_locale ""
wait_window "$warning_en" failover-ko || bench_die "ko: no failover warning"
click_twips "$window" 96 "${warning_twips[@]}" "${proceed_at[@]}"
wait_window "$title_en" main-ko "$window" || bench_die "ko: no main window"
close_main ko "$window" '^Exiting Application at:.+'$'\r''$'
# Debug strings show the face's characters as hexadecimal escapes: \ad74\b9bc is Gulim.
korean_fonts=$(grep -cF ' 129) L"\ad74\b9bc"' "$BENCH_LOG_DIR/ko.err" || true)
if ((korean_fonts > 0)); then
  printf 'ok: ko: the controls were given the Korean font (%s fonts)\n' "$korean_fonts" >&2
else
  _bench_fail "ko: no font with charset 129 and the Korean face in $BENCH_LOG_DIR/ko.err"
fi

# --- English at 144 DPI: every window 1.5 times as large --------------------------------------
# expect_scaled WHAT WINDOW SIZE_AT_96 CLIENT_TWIPS_W CLIENT_TWIPS_H: the client area grows from
# 96 to 144 DPI exactly as the twips say; the frame keeps its width, the caption may grow.
expect_scaled() {
  local what=$1 size96=$3 size144 w96 h96
  size144=$(size_of "$2")
  w96=${size96%x*} h96=${size96#*x}
  local frame=$((w96 - $(px "$4" 96)))
  local grown=$(($(px "$5" 144) - $(px "$5" 96)))
  bench_expect_eq "144dpi: $what width" $(($(px "$4" 144) + frame)) "${size144%x*}"
  if ((${size144#*x} >= h96 + grown)); then
    printf 'ok: 144dpi: %s height\n' "$what" >&2
  else
    _bench_fail "144dpi: $what height: $size144 at 144 DPI, $size96 at 96"
  fi
}

fresh_machine 144
bench_start hidpi "$program"
wait_window "$warning_en" failover-en-144dpi || bench_die "144dpi: no failover warning"
warning=$window
expect_scaled "failover warning" "$warning" "$warning_size" "${warning_twips[@]}"
click_twips "$warning" 144 "${warning_twips[@]}" "${proceed_at[@]}"
wait_window "$title_en" main-en-144dpi "$warning" || bench_die "144dpi: no main window"
main=$window
expect_scaled "main window" "$main" "$main_size" "${main_twips[@]}"
menu "$main" Right Down Down Return
wait_window "$title_en" about-en-144dpi "$main" || bench_die "144dpi: Help > About opened nothing"
expect_scaled "About" "$window" "$about_size" "${about_twips[@]}"
click_twips "$window" 144 "${about_twips[@]}" "${ok_at[@]}"
bench_poll 10 window_gone "$window" || _bench_fail "144dpi: OK did not close About"
menu "$main" Right Down Return
wait_window "$title_en" details-en-144dpi "$main" || bench_die "144dpi: Help > Help opened nothing"
close_window hidpi help "$window"
close_main hidpi "$main" "$closing_en"
show_splash en-144dpi 144 "" "$warning_en" "$title_en" y

# --- German at 144 DPI: the longer texts must still fit ---------------------------------------
wine_locale de_DE.UTF-8
fresh_machine 144
bench_start hidpi-de "$program"
wine_locale ""
wait_window "$warning_de" failover-de-144dpi || bench_die "144dpi-de: no failover warning"
warning=$window
click_twips "$warning" 144 "${warning_twips[@]}" "${proceed_at[@]}"
wait_window "$title_de" main-de-144dpi "$warning" || bench_die "144dpi-de: no main window"
main=$window
menu "$main" Right Down Down Return
wait_window "$title_de" about-de-144dpi "$main" || bench_die "144dpi-de: Hilfe > Info opened nothing"
click_twips "$window" 144 "${about_twips[@]}" "${ok_at[@]}"
bench_poll 10 window_gone "$window" || _bench_fail "144dpi-de: OK did not close About"
menu "$main" Right Down Return
wait_window "$title_de" details-de-144dpi "$main" || bench_die "144dpi-de: Hilfe > Hilfe opened nothing"
close_window hidpi-de help "$window"
close_main hidpi-de "$main" "$closing_de"
show_splash de-144dpi 144 de_DE.UTF-8 "$warning_de" "$title_de" j

bench_finish
