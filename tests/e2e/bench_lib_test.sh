#!/usr/bin/env bash
# Checks the parts of the bench library that need neither a Wine prefix nor X: decoding message
# box texts from Wine's +msgbox trace (escapes, UTF-16, texts Wine cut short), the failure
# reports of the expectations, C: path mapping and the templates of the Windows personalities.
# The trace lines are as Wine 8 writes them.
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
bench_begin "${BENCH_TEST_NAME:-e2e.bench_lib}"

# --- message box texts ---------------------------------------------------------------------
long_words=$(printf 'word\\00e9 %.0s' {1..28})
cat >"$BENCH_LOG_DIR/trace.err" <<EOF
0024:trace:msgbox:MSGBOX_OnInit L"Remove \\"ZqKt Gateway\\" from C:\\\\Velmar\\\\Gateway?\\nYes removes it \\2014 No keeps it."
0024:fixme:msg:something unrelated L"not a box"
470.174:0164:0168:trace:msgbox:MSGBOX_OnInit L"tab\\there\\r\\nnext \\d83d\\de00 end"
0024:trace:msgbox:MSGBOX_OnInit L"Wait..."
0024:trace:msgbox:MSGBOX_OnInit L"C:\\\\0041 stays \\x41"
0024:trace:msgbox:MSGBOX_OnInit L"${long_words}word\\00e9"...
EOF

bench_expect_eq "five message boxes found, other trace lines skipped" 5 "$(bench_collect_msgboxes trace)"
bench_expect_eq "quotes, backslashes, line break and a BMP character" \
  $'Remove "ZqKt Gateway" from C:\\Velmar\\Gateway?\nYes removes it \xe2\x80\x94 No keeps it.' \
  "$(bench_msgbox trace 1)"
bench_expect_eq "tab, CR LF and a surrogate pair" \
  $'tab\there\r\nnext \xf0\x9f\x98\x80 end' "$(bench_msgbox trace 2)"
bench_expect_eq "a text ending in dots is not taken for a cut one" "Wait..." "$(bench_msgbox trace 3)"
bench_expect_eq "an escaped backslash before hex digits stays a backslash; narrow \\xNN decodes" \
  'C:\0041 stays A' "$(bench_msgbox trace 4)"
bench_expect_eq "only the cut text is reported as cut" "5" \
  "$(for n in 1 2 3 4 5; do bench_msgbox_cut trace "$n" && echo "$n"; done)"
bench_expect_eq "a missing message box is an error" 1 "$(bench_msgbox trace 6 >/dev/null; echo $?)"
bench_expect_match "the collected file heads each text and marks the cut one" \
  '^=== message 5 \(cut short by Wine\)$' "$(cat "$BENCH_LOG_DIR/trace.msgboxes.txt")"

full_long=$(printf 'word\xc3\xa9 %.0s' {1..40})
bench_expect_msgbox "a cut text matches the start of the full one" trace 5 "$full_long"

# A failing expectation must say what was expected and what was seen, and count.
report=$BENCH_WORK/report
failures_before=$BENCH_FAILURES
bench_expect_msgbox "probe" trace 5 "wording differs" 2>"$report"
bench_expect_eq "a cut text that differs still fails" $((failures_before + 1)) "$BENCH_FAILURES"
bench_expect_msgbox "probe" trace 9 "anything" 2>"$report"
bench_expect_match "a missing message box is reported with its log" "no message box 9 in .*/trace.err" \
  "$(cat "$report")"
bench_expect_eq "probe" $'two\nlines' $'two\r\nlines' 2>"$report"
bench_expect_eq "a failure shows both values, line by line" \
  $'FAIL: probe\n  expected:\n    | two\n    | lines\n  seen:\n    | two\r\n    | lines\n    (escaped: $\'two\\r\\nlines\')' \
  "$(cat "$report")"
BENCH_FAILURES=$failures_before

# --- paths ---------------------------------------------------------------------------------
WINEPREFIX=/p
bench_expect_eq "a C: path maps into drive_c" "/p/drive_c/Program Files/Velmar/a.exe" \
  "$(bench_unix_path 'c:\Program Files\Velmar\a.exe')"
bench_expect_eq "other drives are refused" 1 "$( (bench_unix_path 'D:\x' 2>/dev/null) || echo 1)"
unset WINEPREFIX

# --- Windows personalities -------------------------------------------------------------------
# Each has a template of its own, made for its architecture, never the default one.
unset BENCH_WINDOWS_VERSION
base=$(WINEARCH=win64 bench_template_dir)
base=${base%-win64}
bench_expect_eq "templates: Windows 2000 in a 32-bit prefix, Server 2003 in a 64-bit one" \
  "$base-win32-win2k $base-win64-win2003" \
  "$(BENCH_WINDOWS_VERSION=win2k bench_template_dir) $(BENCH_WINDOWS_VERSION=win2003 bench_template_dir)"
refused() { (bench_template_dir >/dev/null 2>&1) || echo refused; }
bench_expect_eq "an unknown personality, and Windows 2000 in a 64-bit prefix, are refused" \
  "refused refused" "$(BENCH_WINDOWS_VERSION=winxp refused) $(WINEARCH=win64 BENCH_WINDOWS_VERSION=win2k refused)"

bench_finish
