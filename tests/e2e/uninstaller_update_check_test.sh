#!/usr/bin/env bash
# The uninstaller's "Check for updated version" under Wine against a web server of our own on
# 127.0.0.1: each page the server holds and the box it leads to, and the requests it received.
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_update_check_test.sh
# shellcheck disable=SC2317 # on_exit and find_box run from the trap and from bench_poll
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
[ -f "$UNINSTALLER_EXE" ] || bench_die "$UNINSTALLER_EXE is missing; build the windows preset first"
command -v python3 >/dev/null || bench_die "python3 is missing (scripts/bootstrap installs it)"

title="Velmar Uninstaller"
newer_title="Updated version is available"
page_path=/App_UninstallVelmar30.htm
not_running=$'Velmar is not running.  In order to uninstall Velmar properly from your system, Velmar must be running.\r\nPlease click Yes to exit.  Then start Velmar, and re-run the Uninstall utility.If Velmar is not in a state where it can be started, click No to continue.\r\n\r\nDo you want to exit?'
unreachable='Unable to contact application home page to check for version.  Please visit the Brannock Systems tools web site, where updated versions of all Velmar tools can be found.'
up_to_date='You have the most up to date version of this tool installed'
newer='An updated version of this tool is available on the Brannock Systems tools web site.  Press OK to open the application home page.'

# Wine's WinINet falls back on these when the registry names no proxy; the page is local.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_update_check}"

# --- The web server ---------------------------------------------------------------------------
# Serves the files of one folder, always in full (no dates, nothing a client may cache), and a
# short page with 404 for a missing one; writes each request as "GET PATH agent=AGENT" before
# answering, and ends by itself once the test's shell is gone (a CTest kill skips our traps).
server_py='
import http.server, os, sys, threading, time
root, port_file, log_file, watched = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log_file, "a") as log:
            log.write("GET %s agent=%s\n" % (self.path, self.headers.get("User-Agent", "")))
        name = os.path.join(root, os.path.basename(self.path.split("?")[0]))
        try:
            with open(name, "rb") as page:
                body, status = page.read(), 200
        except OSError:
            body, status = b"<html><body>Not found here</body></html>", 404
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass

def watch():
    while os.path.exists("/proc/%d" % watched):
        time.sleep(0.5)
    os._exit(0)

server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=watch, daemon=True).start()
with open(port_file + ".new", "w") as out:
    out.write("%d\n" % server.server_address[1])
os.rename(port_file + ".new", port_file)
server.serve_forever()
'
site_dir=$BENCH_WORK/site
access_log=$BENCH_LOG_DIR/web-access.log
web_pid=""

web_start() {
  mkdir -p "$site_dir"
  : >"$access_log"
  python3 -c "$server_py" "$site_dir" "$BENCH_WORK/web.port" "$access_log" "$$" \
    </dev/null >"$BENCH_LOG_DIR/web-server.log" 2>&1 &
  web_pid=$!
  bench_poll 10 test -s "$BENCH_WORK/web.port" || bench_die "the web server chose no port, see $BENCH_LOG_DIR/web-server.log"
  web_port=$(cat "$BENCH_WORK/web.port")
}

web_stop() {
  [ -n "$web_pid" ] || return 0
  kill "$web_pid" 2>/dev/null || true
  wait "$web_pid" 2>/dev/null || true
  web_pid=""
}

# The server goes first; bench_cleanup then sees the exit status the test ended with.
on_exit() {
  local status=$?
  set +e
  web_stop
  (exit "$status")
  bench_cleanup
}
trap on_exit EXIT

# publish VERSION [FILLER_BYTES]: the tools page as the site lays it out, the version in the
# row after the "version" label; filler (no blanks) before the table makes it longer.
publish() {
  local version=$1 filler=${2:-0}
  {
    printf '<html><head><title>Tools</title></head><body>\n'
    if ((filler > 0)); then printf '<!-- %s -->\n' "$(head -c "$filler" /dev/zero | tr '\0' x)"; fi
    printf '<table><tr><td>name</td><td><font face="Helvetica">Uninstall</font></td></tr>\n'
    printf '<tr><td>version</td><td><font face="Helvetica">%s</font></td></tr></table>\n' "$version"
    printf '</body></html>\n'
  } >"$site_dir/${page_path#/}"
}

unpublish() { rm -f "$site_dir/${page_path#/}"; }

requests() { grep -c '^GET ' "$access_log" || true; }

# --- The uninstaller --------------------------------------------------------------------------
bench_xvfb_start
bench_prefix_new
bench_install_product <<EOF
file  | C:\Tools\VelmarUninstall3xandUp.exe | @$UNINSTALLER_EXE
value | HKLM\Software\Quillon | Version Number | REG_DWORD | 0x00040000
value | HKLM\Software\Quillon | Build Number | REG_DWORD | 0x00030032
value | HKLM\Software\Quillon\Corvane\1.0 | Root Path | REG_SZ | C:\Program Files\Corvane
EOF

# The shell opens web addresses with Wine's browser launcher, which runs the first program of
# this list: a stand-in that writes down its arguments, so no real browser ever starts.
browser_record=$BENCH_WORK/browser.args
cat >"$BENCH_WORK/browser" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$browser_record"
EOF
chmod +x "$BENCH_WORK/browser"
bench_wine browser reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ \
  /d "$BENCH_WORK/browser" /f || bench_die "cannot name the browser: $(cat "$BENCH_LOG_DIR/browser.err")"

web_start
export VELMAR_UPDATE_SITE=http://127.0.0.1:$web_port
bench_start app 'C:\Tools\VelmarUninstall3xandUp.exe'
# No product service runs: the not-running question comes first; No goes on to the main window.
bench_wait_window "$title" || bench_die "the not-running question never appeared"
bench_answer "$BENCH_WINDOW" n || bench_die "the not-running question did not close"
bench_wait_window "$title" || bench_die "the main window never appeared"
main=$BENCH_WINDOW
shown=1
bench_collect_msgboxes app >/dev/null
bench_expect_msgbox "start: the not-running question" app 1 "$not_running"

# A message box over the main window: new, and with the given title (the main window's own
# title for the plain ones).
find_box() {
  bench_find_new_window "$1" "$main" && box=$BENCH_FOUND_WINDOW
}

# check CASE BOX_TITLE KEY TEXT REQUESTS: Help > Check for updated version (the last entry, past
# the separator) leads to one box with that title and text, answered with KEY, after the
# server received REQUESTS more requests.
check() {
  local case=$1 box_title=$2 key=$3 text=$4 expected_requests=$5 before
  before=$(requests)
  bench_key "$main" F10 Right Down Down Down Return || bench_die "$case: cannot type into the main window"
  box=""
  if ! bench_poll 20 find_box "$box_title"; then
    _bench_fail "$case: no box titled '$box_title'; visible windows:"
    bench_windows | sed 's/^/    /' >&2
    bench_die "$case: the check showed nothing"
  fi
  BENCH_SHOT_COUNT=$((BENCH_SHOT_COUNT + 1))
  _bench_last_signature=""
  bench_poll 10 _bench_shot_drawn "$box" "$BENCH_SHOT_DIR/$(printf '%02d' "$BENCH_SHOT_COUNT")-$case.png" ||
    bench_log "$case: the box did not finish drawing"
  bench_answer "$box" "$key" || bench_die "$case: the box did not close"
  shown=$((shown + 1))
  bench_expect_eq "$case: one box per check" "$shown" "$(bench_collect_msgboxes app)"
  bench_expect_msgbox "$case: the box's text" app "$shown" "$text"
  bench_expect_eq "$case: requests the server received" "$expected_requests" $(($(requests) - before))
}

publish 4.0.40
check newer "$newer_title" Escape "$newer" 1
bench_expect_eq "newer: the page asked for, by the program's agent" \
  "GET $page_path agent=HTTP Generic" "$(cat "$access_log")"
# OK hands the page's address to the shell, which passes it to the browser Wine is told of.
check newer-open "$newer_title" Return "$newer" 1
if bench_poll 20 test -s "$browser_record"; then
  bench_expect_eq "newer-open: the browser got the page's address" \
    "$VELMAR_UPDATE_SITE$page_path" "$(cat "$browser_record")"
else
  _bench_fail "newer-open: no browser was started"
fi
# Components compare as padded numbers (100 > 34), and the marker lies past the first pieces
# the program reads.
publish 4.0.100 2500
check newer-padded "$newer_title" Escape "$newer" 1
publish 4.0.34
check same "$title" Return "$up_to_date" 1
publish 4.0.9
check older "$title" Return "$up_to_date" 1
publish 4.1
check too-short "$title" Return "$unreachable" 1
unpublish
check no-page "$title" Return "$unreachable" 1
web_stop
check no-server "$title" Return "$unreachable" 0
bench_expect_eq "every request was for the tools page" "" "$(grep -v "^GET $page_path " "$access_log" || true)"

# Exit: the button at 6300, 3960 twips (420, 264 px of a 508 by 299 client area at 96 DPI).
bench_click_client "$main" 508 299 460 280
bench_wait_exit app || bench_die "Exit did not end the program"
bench_expect_eq "exit code" 0 "${BENCH_EXIT[app]}"
bench_expect_match "the log ends with the closing line" '^Exiting Application at:' \
  "$(tail -1 "$(bench_unix_path 'C:\VelmarUninstall.log')")"
bench_expect_eq "no box after the checks" "$shown" "$(bench_collect_msgboxes app)"

bench_finish
