#!/usr/bin/env bash
# The whole removal unattended under Wine, as a scheduled task or a distribution tool starts it:
# the full installation of the interactive run (lib/full_uninstall.sh), the uninstaller started
# with "/Unattended RemoveSubscriberInfo", and then no window of any program of the toolkit may
# ever be mapped: every map of a top-level window on the display is recorded by xev from before
# the start to the end, and only the bench's own boxes (the programs that hold files in use) may
# be among them. The exit code says "completed with errors" (the product database's data faults
# give the log its error lines), the log is the interactive run's golden log with the
# "(unattended)" lines as the only addition, and a second unattended start while the removal
# runs ends at once with "another removal is running". Then, on the server the removal has
# emptied, an unattended start is refused at start-up: exit code 2, the old log untouched and
# the refusal in the Application event log (Wine's event log prints what it is handed).
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_unattended_test.sh
# shellcheck disable=SC1003,SC2031,SC2317
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
# shellcheck source=lib/full_uninstall.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/full_uninstall.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${VELMAR_DIST_DIR:=$(dirname "$UNINSTALLER_EXE")}"
full_require_files

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_unattended}"
bench_xvfb_start
bench_prefix_new
# --- Every window mapped from here on ----------------------------------------------------------
# xev reports each top-level window that becomes visible (MapNotify on the root's children),
# however briefly; it listens long before the first program of the run starts. The bench's
# boxes are told apart by their ids.
map_log=$BENCH_LOG_DIR/map-events.txt
xev -display "$DISPLAY" -root -event substructure >"$map_log" 2>&1 &
xev_pid=$!
bench_windows_ids() { xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null || true; }

full_lay_out
full_start_programs
bench_ids=$(bench_windows_ids)

log_file=$(bench_unix_path 'C:\VelmarUninstall.log')
WINEDLLOVERRIDES="tapi32=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" \
  bench_start uninstall 'C:\Tools\VelmarUninstall3xandUp.exe' /Unattended RemoveSubscriberInfo

# As in the interactive run: once stage A has ended, a program outside the product holds a
# system file the removal must set aside. While the removal runs, a second unattended start
# finds it running.
bench_poll 240 full_log_has 'Velmar shut down and all related services stopped' ||
  bench_die "stage A never ended"
bench_start second 'C:\Tools\VelmarUninstall3xandUp.exe' -unattended
bench_wait_exit second 60 || bench_die "the second unattended start did not end"
bench_expect_eq "a second removal meanwhile: exit code 5" 5 "${BENCH_EXIT[second]}"
bench_start helper 'C:\bench\libholder.exe' "$sysdir\\$busy_system_file" 'C:\Bench\helper.txt'
bench_poll 30 full_box_count_is 2 || bench_die "the system-folder helper did not show its box"
bench_ids="$bench_ids $(bench_windows_ids)"

bench_wait_exit uninstall 300 || bench_die "the unattended removal did not end within 300 s"
bench_expect_eq "completed with errors: exit code 1" 1 "${BENCH_EXIT[uninstall]}"
cp "$log_file" "$BENCH_LOG_DIR/VelmarUninstall.log" 2>/dev/null || true
bench_expect_eq "no message box shown" 0 "$(bench_collect_msgboxes uninstall)"

# --- The log: the interactive run's, with the answers as the only addition ------------------------
golden_dir=$BENCH_REPO_DIR/tests/e2e/golden
normalise() { python3 "$BENCH_REPO_DIR/tests/e2e/lib/normalise.py"; }
bench_expect_eq "the log less its (unattended) lines" "$(cat "$golden_dir/uninstaller_full.log")" \
  "$(normalise <"$log_file" | grep -v '^(unattended) ')"
errors=$(tr -d '\r' <"$log_file" | awk 'length($0) > 2 && tolower($0) ~ /\(error\)/' | wc -l)
bench_expect_eq "the (unattended) lines" "(unattended) Please be sure to close all applications before uninstalling Velmar.  Do you want to continue? -> Yes
(unattended) Before uninstalling Velmar you should first remove Dialogic/NMS TSP and WAV drivers (see help for more information).  Are you ready to continue? -> Yes
(unattended) Uninstalling will completely remove Velmar from your system!  Are you sure you want to do this? -> Yes
(unattended) Are you absolutely sure? -> Yes
(unattended) Uninstall complete.  Please reboot the server before installing a new version of Velmar on this server.  $errors  error(s) encountered during the process.  See the log file for more information on these. Press OK to view log file now. -> Cancel" \
  "$(tr -d '\r' <"$log_file" | grep '^(unattended) ' || true)"

# --- On the emptied server: refused at start-up ---------------------------------------------------
before=$(sha256sum <"$log_file")
bench_start refused 'C:\Tools\VelmarUninstall3xandUp.exe' /UNATTENDED
bench_wait_exit refused 60 || bench_die "the refused start did not end"
bench_expect_eq "refused at start-up: exit code 2" 2 "${BENCH_EXIT[refused]}"
bench_expect_eq "the old log untouched" "$before" "$(sha256sum <"$log_file")"
bench_expect_match "the refusal in the Application event log" \
  'ReportEventW L"\(unattended\) This version of uninstall only works on Velmar 3\.0 or later\.  You need to obtain the 2\.x version of Uninstall for this server\.  Exiting\.\.\. -> OK"' \
  "$(cat "$BENCH_LOG_DIR/refused.err")"

# --- No window of the toolkit was ever mapped -----------------------------------------------------
kill "$xev_pid" 2>/dev/null || true
wait "$xev_pid" 2>/dev/null || true
# Each MapNotify is two lines; the second names the window mapped.
mapped=$(awk '/^MapNotify event/ { getline; if (match($0, /window 0x[0-9a-f]+/)) print substr($0, RSTART + 7, RLENGTH - 7) }' \
  "$map_log" | LC_ALL=C sort -u)
others=""
for id in $mapped; do
  grep -qw "$((id))" <<<"$bench_ids" || others="$others $id"
done
bench_expect_eq "windows mapped other than the bench's boxes" "" "${others# }"
bench_expect_no_crash_of_32bit_programs
bench_finish
