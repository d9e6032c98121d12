#!/usr/bin/env bash
# A preview under Wine of the full installation (lib/full_uninstall.sh, with a clean product
# database), then the real removal on the same prefix. The preview ("/Preview /Unattended
# RemoveSubscriberInfo") must change nothing: every file and registry value of the prefix is the
# same afterwards but for its report, the product's services still run, the SQL Server and IIS
# stand-ins received no changing call, and Wine's process trace shows that it started no
# program. Its report lists the changes, one "  would" line each, then the counts. Then the real
# removal, by the test build of the same program, which writes down every change it makes
# through the platform seam as the same lines: it must make exactly the changes the preview
# listed, in the same order (what the programs it starts do inside is theirs, not compared).
#
# Run by hand after building the windows preset:  bash tests/e2e/uninstaller_preview_test.sh
# shellcheck disable=SC1003,SC2031,SC2317
set -euo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/bench.sh"
# shellcheck source=lib/full_uninstall.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/full_uninstall.sh"
# shellcheck source=lib/inventory.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/lib/inventory.sh"

: "${BENCH_OUT_DIR:=$BENCH_BUILD_DIR/e2e}"
: "${UNINSTALLER_EXE:=$BENCH_BUILD_DIR/dist/VelmarUninstall3xandUp.exe}"
: "${AUDIT_UNINSTALLER_EXE:=$BENCH_BUILD_DIR/audit/VelmarUninstall3xandUp.exe}"
: "${VELMAR_DIST_DIR:=$(dirname "$UNINSTALLER_EXE")}"
# A clean product database: the data faults of the interactive run would make the real removal
# take error paths a preview, which answers every change as done, cannot foresee.
: "${FULL_SQL_LAYOUT:=$BENCH_REPO_DIR/tests/e2e/data/sql_prepared_server.txt}"
full_require_files
[ -f "$AUDIT_UNINSTALLER_EXE" ] || bench_die "$AUDIT_UNINSTALLER_EXE is missing; build the windows preset first"

bench_begin "${BENCH_TEST_NAME:-e2e.uninstaller_preview}"
bench_xvfb_start
bench_prefix_new
full_lay_out
# The product runs (or start-up would stop an unattended run); no program holds a file. The
# inventory's restart of the prefix stops the services: they are started after it.
start_product() {
  local name
  for name in "${running_services[@]}"; do
    bench_wine "net-start-$name" net start "$name" || bench_die "$BENCH_LAST_OUT"
    bench_wait_service_state "$name" RUNNING 20 >/dev/null || bench_die "$name did not start"
  done
}

# --- The prefix before and after the preview ------------------------------------------------------
# Only the report and the stand-ins' own records (which note reading calls too) may change.
file_excluded=(
  'velmaruninstallpreview\.log$' 'bench/sql-record\.txt$' 'bench/iis-calls\.txt$'
)
reg_excluded_keys=('software\\\\velmartests\\\\never(\\\\|\])')
reg_excluded_values=('software\\\\velmartests\\\\never\]')
inventory_restart
inventory_files >"$BENCH_LOG_DIR/files-before.txt"
inventory_registry >"$BENCH_LOG_DIR/registry-before.txt"
start_product

report=$(bench_unix_path 'C:\VelmarUninstallPreview.log')
BENCH_WINEDEBUG=+process bench_start preview 'C:\Tools\VelmarUninstall3xandUp.exe' \
  /Preview /Unattended RemoveSubscriberInfo
bench_wait_exit preview 180 || bench_die "the preview did not end within 180 s"
cp "$report" "$BENCH_LOG_DIR/VelmarUninstallPreview.log" 2>/dev/null || true
bench_expect_eq "the preview's exit code: completed" 0 "${BENCH_EXIT[preview]}"
bench_expect_eq "no message box shown" 0 "$(bench_collect_msgboxes preview)"
bench_expect_eq "no program started" "" \
  "$(grep 'CreateProcessInternalW app' "$BENCH_LOG_DIR/preview.err" || true)"
bench_expect_eq "no changing call on SQL Server" "" \
  "$(tr -d '\r' <"$(bench_unix_path 'C:\bench\sql-record.txt')" | grep -E '^(procedure|execute)' || true)"
bench_expect_eq "no changing call on IIS" "" \
  "$(tr -d '\r' <"$(bench_unix_path "$iis_calls")" | grep -v -E '^(bind|Path|released)' || true)"
for name in "${running_services[@]}"; do
  bench_expect_eq "$name still running" RUNNING "$(bench_service_state "$name")"
done
[ -f "$(bench_unix_path 'C:\VelmarUninstall.log')" ] && _bench_fail "the preview wrote c:\\VelmarUninstall.log"

inventory_restart
inventory_files >"$BENCH_LOG_DIR/files-after.txt"
inventory_registry >"$BENCH_LOG_DIR/registry-after.txt"
bench_expect_eq "files unchanged" "" \
  "$(diff "$BENCH_LOG_DIR/files-before.txt" "$BENCH_LOG_DIR/files-after.txt" || true)"
bench_expect_eq "registry unchanged" "" \
  "$(diff "$BENCH_LOG_DIR/registry-before.txt" "$BENCH_LOG_DIR/registry-after.txt" || true)"

# --- The report ---------------------------------------------------------------------------------
report_text=$(tr -d '\r' <"$report")
would=$(grep '^  would ' <<<"$report_text" || true)
bench_expect_match "the report names the changes" '  would run: Net Stop TomCat' "$would"
bench_expect_eq "the counts add up to the changes listed" "  in all: $(wc -l <<<"$would")" \
  "$(grep '^  in all: ' <<<"$report_text" || true)"

# --- The real removal makes exactly those changes -------------------------------------------------
start_product
bench_copy_in "$AUDIT_UNINSTALLER_EXE" 'C:\Tools\VelmarUninstall3xandUp.exe'
WINEDLLOVERRIDES="tapi32=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" \
  bench_start removal 'C:\Tools\VelmarUninstall3xandUp.exe' /Unattended RemoveSubscriberInfo
bench_wait_exit removal 300 || bench_die "the removal did not end within 300 s"
changes=$(bench_unix_path 'C:\VelmarUninstall.changes.txt')
cp "$changes" "$BENCH_LOG_DIR/VelmarUninstall.changes.txt" 2>/dev/null || true
normalise() { python3 "$BENCH_REPO_DIR/tests/e2e/lib/normalise.py"; }
# The removal's own log, which a preview replaces by its report, is the one change of its record
# a preview does not list.
bench_expect_eq "the removal's changes are the preview's" "$(normalise <<<"$would")" \
  "$(normalise <"$changes" | grep -vxF '  would write file: c:\VelmarUninstall.log')"
bench_expect_no_crash_of_32bit_programs
bench_finish
