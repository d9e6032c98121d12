#!/usr/bin/env bash
# The companion files of the dist folder under Wine: the version resources of the two programs,
# kill.exe ending copies of the bench's message box by prefix and by full name while the others
# keep running, and "*" sparing the system and its own parent; mypause.exe; tomcatuninstall.bat
# running a stand-in uninstall script from its folder; VelmarClean.bat refusing what is not an
# install folder and removing one with blanks, parentheses or "&" in its name, then itself.
#
# Run by hand after building the windows preset:  bash tests/e2e/companions_test.sh
set -euo pipefail
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote.
# shellcheck disable=SC1003
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${VELMAR_DIST_DIR:=$BENCH_BUILD_DIR/dist}"
: "${KILL_EXE:=$VELMAR_DIST_DIR/kill.exe}"
: "${MYPAUSE_EXE:=$VELMAR_DIST_DIR/mypause.exe}"
: "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
tomcat_bat=$VELMAR_DIST_DIR/tomcatuninstall.bat
clean_bat=$VELMAR_DIST_DIR/VelmarClean.bat
for file in "$KILL_EXE" "$MYPAUSE_EXE" "$SMOKEBOX_EXE" "$tomcat_bat" "$clean_bat"; do
  [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
done
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$BENCH_REPO_DIR/CMakeLists.txt")

bench_begin "${BENCH_TEST_NAME:-e2e.companions}"
bench_xvfb_start
bench_prefix_new

# ---------------------------------------------------------------------------------------------
# Shipped as built

# The StringFileInfo values of a program's version resource, as "Name=value" lines.
version_values() {
  strings -e l "$1" | awk '
    /^(CompanyName|FileDescription|FileVersion|InternalName|OriginalFilename|ProductName|ProductVersion)$/ {
      name = $0; next }
    name != "" { print name "=" $0; name = "" }'
}
for program in kill mypause; do
  values=$(version_values "$VELMAR_DIST_DIR/$program.exe")
  bench_expect_match "$program.exe: file version" "^FileVersion=$version\$" "$values"
  bench_expect_match "$program.exe: original file name" "^OriginalFilename=$program\\.exe\$" "$values"
done
for bat in "$tomcat_bat" "$clean_bat"; do
  bench_expect_eq "$(basename "$bat"): every line ends in CR LF" 0 \
    "$(grep -c $'[^\r]$' "$bat" || true)"
done

bench_install_product <<EOF
file | C:\\Tools\\kill.exe        | @$KILL_EXE
file | C:\\Tools\\mypause.exe     | @$MYPAUSE_EXE
file | C:\\bench\\zqalpha.exe     | @$SMOKEBOX_EXE
file | C:\\bench\\ZQBETA.EXE      | @$SMOKEBOX_EXE
file | C:\\bench\\other.exe       | @$SMOKEBOX_EXE
file | C:\\bench\\ctbbserv.exe    | @$SMOKEBOX_EXE
file | C:\\bench\\ctbbserv2.exe   | @$SMOKEBOX_EXE
dir  | C:\\answers
EOF

# bench_wine's exit code without tripping set -e.
run() {
  RC=0
  bench_wine "$@" || RC=$?
}

# ---------------------------------------------------------------------------------------------
# mypause.exe: seconds from its argument, one by default, exit 0 whatever it is given

timed() {
  local started
  started=$(date +%s%3N)
  run "$@"
  ELAPSED_MS=$(($(date +%s%3N) - started))
}
timed pause-2 'C:\Tools\mypause.exe' 2
bench_expect_eq "mypause 2: exit code" 0 "$RC"
bench_expect_match "mypause 2: waited 2 s" '^(2[0-9]{3}|[3-9][0-9]{3}|[0-9]{5,})$' "$ELAPSED_MS"
timed pause-default 'C:\Tools\mypause.exe'
bench_expect_eq "mypause: exit code" 0 "$RC"
bench_expect_match "mypause: waited 1 s by default" '^([1-9][0-9]{3}|[0-9]{5,})$' "$ELAPSED_MS"
run pause-bad 'C:\Tools\mypause.exe' soon
bench_expect_eq "mypause soon: exit code" 0 "$RC"
bench_expect_eq "mypause soon: says so" \
  'mypause: "soon" is not a number of seconds from 0 to 3600; waiting 1 s' \
  "$(tr -d '\r' <"$BENCH_LOG_DIR/pause-bad.err")"

# ---------------------------------------------------------------------------------------------
# kill.exe

run kill-usage 'C:\Tools\kill.exe'
bench_expect_eq "kill without a pattern: exit code" 1 "$RC"
bench_expect_match "kill without a pattern: usage" '^Usage: kill.exe PATTERN' \
  "$(cat "$BENCH_LOG_DIR/kill-usage.err")"
run kill-empty 'C:\Tools\kill.exe' ''
bench_expect_eq "kill with an empty pattern: exit code" 1 "$RC"
run kill-inner-star 'C:\Tools\kill.exe' 'z*q'
bench_expect_eq "kill z*q: exit code" 1 "$RC"
run kill-none 'C:\Tools\kill.exe' 'nosuch*'
bench_expect_eq "kill nosuch*: exit code" 0 "$RC"
bench_expect_eq "kill nosuch*: says so" "No process to end matches nosuch*" "$BENCH_LAST_OUT"
run kill-spared 'C:\Tools\kill.exe' 'SERVICES.EXE'
bench_expect_eq "kill SERVICES.EXE: exit code" 0 "$RC"
bench_expect_eq "kill SERVICES.EXE: spared" "No process to end matches SERVICES.EXE" "$BENCH_LAST_OUT"

# Five copies of the message box under different names, each with its own answer file.
boxes=(zqalpha ZQBETA other ctbbserv ctbbserv2)
for box in "${boxes[@]}"; do
  ext=.exe
  [ "$box" != ZQBETA ] || ext=.EXE
  bench_start "$box" "C:\\bench\\$box$ext" "C:\\answers\\$box.txt"
done
box_count() { xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null | wc -l; }
box_count_is() { [ "$(box_count)" -eq "$1" ]; }
bench_poll 30 box_count_is 5 || bench_die "the five message boxes did not all appear ($(box_count) seen)"

# box_window TAG: the visible message box of that program (Wine marks each window with its
# process id), in BOX_WINDOW. The boxes lie exactly on top of each other.
box_window() {
  local id
  for id in $(xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null); do
    if [ "$(xdotool getwindowpid "$id" 2>/dev/null)" == "${BENCH_PIDS[$1]}" ]; then
      BOX_WINDOW=$id
      return 0
    fi
  done
  return 1
}
# answer_box TAG KEY: answers that program's box. Raised to the top of the pile and clicked on
# its caption it becomes Wine's active window, which is where Wine sends the keys.
answer_box() {
  box_window "$1" || bench_die "$1 shows no message box"
  xdotool windowraise "$BOX_WINDOW" mousemove --window "$BOX_WINDOW" 40 8 click 1 >/dev/null 2>&1
  bench_answer "$BOX_WINDOW" "$2" || bench_die "the message box of $1 did not close"
}

# kill_ends WHAT TAG...: each program exits with the code kill.exe gives the processes it ends.
kill_ends() {
  local what=$1 tag
  shift
  for tag in "$@"; do
    bench_wait_exit "$tag" 30 || true
    bench_expect_eq "$what: $tag ended" 1 "${BENCH_EXIT[$tag]}"
  done
}
# still_running TAG...: the program runs on and its message box is still shown.
still_running() {
  local tag
  for tag in "$@"; do
    if _bench_exited "${BENCH_PIDS[$tag]}"; then
      _bench_fail "$tag was ended but should still run"
    elif ! box_window "$tag"; then
      _bench_fail "$tag runs but its message box is gone"
    fi
  done
}

run kill-zq 'C:\Tools\kill.exe' 'zq*'
bench_expect_eq "kill zq*: exit code" 0 "$RC"
bench_expect_match "kill zq*: one line for zqalpha.exe" '^Ended zqalpha\.exe \(process id [0-9]+\)$' "$BENCH_LAST_OUT"
bench_expect_match "kill zq*: one line for ZQBETA.EXE" '^Ended ZQBETA\.EXE \(process id [0-9]+\)$' "$BENCH_LAST_OUT"
bench_expect_eq "kill zq*: two lines" 2 "$(grep -c . <<<"$BENCH_LAST_OUT")"
kill_ends "kill zq*" zqalpha ZQBETA
still_running other ctbbserv ctbbserv2
bench_poll 30 box_count_is 3 || bench_expect_eq "kill zq*: three message boxes left" 3 "$(box_count)"

run kill-name 'C:\Tools\kill.exe' 'CTBBSERV.EXE'
bench_expect_eq "kill CTBBSERV.EXE: exit code" 0 "$RC"
bench_expect_match "kill CTBBSERV.EXE: ended ctbbserv.exe" '^Ended ctbbserv\.exe \(process id [0-9]+\)$' "$BENCH_LAST_OUT"
bench_expect_eq "kill CTBBSERV.EXE: one line" 1 "$(grep -c . <<<"$BENCH_LAST_OUT")"
kill_ends "kill CTBBSERV.EXE" ctbbserv
still_running other ctbbserv2
bench_poll 30 box_count_is 2 || bench_expect_eq "kill CTBBSERV.EXE: two message boxes left" 2 "$(box_count)"

# The two left still answer: they were not touched.
for box in other ctbbserv2; do
  answer_box "$box" n
  bench_wait_exit "$box" 30 || true
  bench_expect_eq "$box: answered No after the kills" 7 "${BENCH_EXIT[$box]}"
  bench_expect_eq "$box: its answer file" No \
    "$(tr -d '\r' <"$(bench_unix_path "C:\\answers\\$box.txt")" 2>/dev/null || echo '<none>')"
done
for box in zqalpha ZQBETA ctbbserv; do
  [ ! -e "$(bench_unix_path "C:\\answers\\$box.txt")" ] || _bench_fail "$box answered although ended"
done

# ---------------------------------------------------------------------------------------------
# tomcatuninstall.bat: the script from its folder, its exit code, two seconds' pause after it

brnkserv='C:\Program Files\Corvane\brnkserv'
bench_install_product <<EOF
file | $brnkserv\\tomcatuninstall.bat | @$tomcat_bat
file | $brnkserv\\mypause.exe         | @$MYPAUSE_EXE
EOF
# Writes where it runs (relative name), echoes, and ends with its own exit code.
cat >"$(bench_unix_path "$brnkserv\\uninstall.js")" <<'EOF'
var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var marker = fso.CreateTextFile("uninstall-ran.txt", true);
marker.WriteLine("arguments: " + WScript.Arguments.length);
marker.Close();
WScript.Echo("web application removed");
WScript.Quit(3);
EOF
# PATH is emptied: the batch file must find everything in its folder or the system's.
started=$(date +%s%3N)
run tomcat cmd /c set PATH= '&' cd /d "$brnkserv" '&' tomcatuninstall.bat
ELAPSED_MS=$(($(date +%s%3N) - started))
if [ -f "$(bench_unix_path 'C:\windows\system32\cscript.exe')" ]; then
  bench_expect_eq "tomcatuninstall: the script host's exit code" 3 "$RC"
  bench_expect_eq "tomcatuninstall: the script's output, no logo" "web application removed" \
    "$BENCH_LAST_OUT"
  bench_expect_eq "tomcatuninstall: the script ran in the brnkserv folder" "arguments: 0" \
    "$(tr -d '\r' <"$(bench_unix_path "$brnkserv\\uninstall-ran.txt")" 2>/dev/null || echo '<none>')"
  bench_expect_match "tomcatuninstall: paused 2 s after it" '^(2[0-9]{3}|[3-9][0-9]{3}|[0-9]{5,})$' \
    "$ELAPSED_MS"
else
  bench_log "this Wine has no cscript.exe; tomcatuninstall.bat not run"
fi

# ---------------------------------------------------------------------------------------------
# VelmarClean.bat, started as the logon runs it: cmd /c with the install root unquoted

clean_unix=$(bench_unix_path 'C:\VelmarClean.bat')
# clean TAG ARGS...: a fresh copy of the batch file, run with ARGS as separate words (Wine
# quotes none of them, having no blanks, so they arrive as one unquoted text).
clean() {
  local tag=$1
  shift
  cp "$clean_bat" "$clean_unix"
  run "$tag" cmd /c 'C:\VelmarClean.bat' "$@"
}
# clean_line TAG TEXT: the same with the text after the batch file's name exactly as given,
# quotes and all, through a batch file of one line.
clean_line() {
  cp "$clean_bat" "$clean_unix"
  printf '@cmd /c C:\\VelmarClean.bat %s\r\n' "$2" >"$(bench_unix_path 'C:\runonce.bat')"
  run "$1" cmd /c 'C:\runonce.bat'
}
expect_refused() {
  local tag=$1 message=$2
  bench_expect_eq "$tag: exit code" 1 "$RC"
  bench_expect_eq "$tag: says why" "VelmarClean: nothing done: $message" "$BENCH_LAST_OUT"
  [ -f "$clean_unix" ] || _bench_fail "$tag: the batch file deleted itself although it refused"
}

# A drive's own files, a system folder's and a folder named like the root's first word: a
# refusal that went wrong, or a root cut at its first blank, would take them.
bench_install_product <<'EOF'
file | C:\canary.txt                | on the drive
file | C:\windows\canary.txt        | in the system folder
file | C:\users\canary.txt          | in the profiles folder
file | C:\Corvane\first-word.txt    | in a folder named like the first word
EOF
clean clean-empty
expect_refused clean-empty "no folder was given."
clean clean-drive 'C:\'
expect_refused clean-drive '"C:\" is a whole drive.'
clean clean-drive-bare 'C:'
expect_refused clean-drive-bare '"C:" is a whole drive.'
clean clean-up-to-drive 'C:\Corvane\..'
expect_refused clean-up-to-drive '"C:\Corvane\.." is a whole drive.'
clean clean-windows 'C:\windows'
expect_refused clean-windows '"C:\windows" is or holds the system folder "C:\windows".'
clean clean-windows-case 'c:\WINDOWS\'
expect_refused clean-windows-case '"c:\WINDOWS" is or holds the system folder "C:\windows".'
clean clean-system32 'C:\Corvane\..\Windows\System32.'
expect_refused clean-system32 '"C:\Windows\System32" is or holds the system folder "C:\windows\System32".'
clean clean-program-files 'C:\Program' 'Files' '(x86)\'
expect_refused clean-program-files \
  '"C:\Program Files (x86)" is or holds the system folder "C:\Program Files (x86)".'
clean clean-profiles 'C:\users\'
expect_refused clean-profiles '"C:\users" is or holds the system folder "C:\users\root".'
clean clean-old-profiles 'C:\Documents' 'and' 'Settings'
expect_refused clean-old-profiles \
  '"C:\Documents and Settings" is or holds the system folder "C:\Documents and Settings".'
clean clean-relative 'Corvane\Test'
expect_refused clean-relative '"Corvane\Test" is not a full path such as C:\Folder.'
clean clean-drive-relative 'C:Corvane'
expect_refused clean-drive-relative '"C:Corvane" is not a full path such as C:\Folder.'
clean clean-wildcard 'C:\Corv*'
expect_refused clean-wildcard '"C:\Corv*" holds characters no folder name can hold.'
for file in 'C:\canary.txt' 'C:\windows\canary.txt' 'C:\users\canary.txt' 'C:\Corvane\first-word.txt' \
  'C:\windows\system32\kernel32.dll'; do
  [ -f "$(bench_unix_path "$file")" ] || _bench_fail "refusals: $file is gone"
done

# expect_removed TAG FOLDER: the folder and the batch file are gone, and it said so.
expect_removed() {
  local tag=$1 folder=$2
  bench_expect_eq "$tag: exit code" 0 "$RC"
  bench_expect_eq "$tag: says so" "VelmarClean: removed \"$folder\"." "$BENCH_LAST_OUT"
  [ ! -e "$(bench_unix_path "$folder")" ] || _bench_fail "$tag: $folder is still there"
  [ ! -e "$clean_unix" ] || _bench_fail "$tag: the batch file did not delete itself"
}
# lay_out FOLDER: files, a subfolder and a read-only file, as an uninstall leaves them.
lay_out() {
  bench_install_product <<EOF
file | $1\\Gateway\\gateway.log  | left by the gateway
file | $1\\brnkserv\\in use.dll  | was in use
file | $1\\readme.txt            | read-only
EOF
  run attrib attrib +r "$1\\readme.txt"
  run attrib-check attrib "$1\\readme.txt"
  bench_expect_match "$1: readme.txt is read-only" '^[A-Z ]*R[A-Z ]* [A-Z]:\\' "$BENCH_LAST_OUT"
}

lay_out 'C:\Corvane Test'
clean clean-blank 'C:\Corvane' 'Test\'
expect_removed clean-blank 'C:\Corvane Test'
[ -f "$(bench_unix_path 'C:\Corvane\first-word.txt')" ] || _bench_fail "clean-blank: C:\\Corvane was touched"

lay_out 'C:\Corvane (x86) Co!'
clean clean-parentheses 'C:\Corvane' '(x86)' 'Co!\'
expect_removed clean-parentheses 'C:\Corvane (x86) Co!'

# Quoted by whoever registered it: "&" inside the quotes is part of the name.
lay_out 'C:\Corvane & Co'
clean_line clean-quoted '"C:\Corvane & Co\"'
expect_removed clean-quoted 'C:\Corvane & Co'

clean clean-gone 'C:\Corvane' 'Gone\'
bench_expect_eq "clean-gone: exit code" 0 "$RC"
bench_expect_eq "clean-gone: says so" 'VelmarClean: "C:\Corvane Gone" is gone already.' "$BENCH_LAST_OUT"
[ ! -e "$clean_unix" ] || _bench_fail "clean-gone: the batch file did not delete itself"

# ---------------------------------------------------------------------------------------------
# kill.exe "*", last, as it ends Wine's own helpers too: never the system's processes, kill.exe
# itself or the cmd.exe that started it (which goes on to its next line).

# prefix_runs NAME: a process of this prefix runs NAME (Wine's processes are Unix processes).
prefix_runs() {
  local pid
  for pid in /proc/[0-9]*; do
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "$pid/environ" 2>/dev/null || continue
    tr '\0' ' ' <"$pid/cmdline" 2>/dev/null | grep -qiF "\\$1" && return 0
  done
  return 1
}
prefix_runs services.exe || bench_die "Wine's services.exe is not running before kill *"
bench_start last-box 'C:\bench\other.exe' 'C:\answers\last.txt'
bench_wait_window "Velmar bench" || bench_die "the last message box did not appear"
printf '@echo off\r\nC:\\Tools\\kill.exe *\r\necho kill.exe exited with %%ERRORLEVEL%%\r\n' \
  >"$(bench_unix_path 'C:\Tools\kill-all.bat')"
run kill-all cmd /c 'C:\Tools\kill-all.bat'
bench_expect_eq "kill *: the parent cmd.exe went on" "kill.exe exited with 0" "$(tail -1 <<<"$BENCH_LAST_OUT")"
bench_expect_match "kill *: ended the message box" '^Ended other\.exe \(process id [0-9]+\)$' "$BENCH_LAST_OUT"
bench_expect_eq "kill *: no critical process, cmd.exe or kill.exe among the ended" "" \
  "$(grep -iE '^Ended (System|smss|csrss|wininit|winlogon|services|lsass|svchost|cmd|kill)(\.exe)? ' <<<"$BENCH_LAST_OUT" || true)"
# Only that it ended: with Wine's explorer.exe and device hosts ended in the same sweep, the exit
# code Wine passes on for it is sometimes 0.
bench_wait_exit last-box 30 || _bench_fail "kill *: the last message box still runs"
prefix_runs services.exe || _bench_fail "kill *: Wine's services.exe was ended"

bench_finish
