#!/usr/bin/env bash
# The main job under Wine, two runs of the toolkit on sandboxed fake installations:
#   1. a prepared 4.0 server: the whole Uninstall press with the subscriber data removed through
#      SQL Server (a stand-in ADO over the simulated server: 25 subscribers, their directory
#      synchronisation, the jobs and databases), IIS (a stand-in provider) and PelletSetup taking
#      the TSP out of a stand-in TAPI, every trace of the product removed and nothing else touched
#      (the footprint check), its log and SQL record matched against golden files, 0 errors;
#   2. a 3.1 server: the uninstaller hands the directory to Dirscrub, which finds no directory
#      server and says so, and the uninstaller goes on to its summary.
# Every window is answered by the bench; each run's log and problem counts are printed, and the
# screenshots of every window land under build/windows/e2e/shots/main-job-*/.
set -uo pipefail
build_dir=$(cd "${1:-build/windows}" && pwd)
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
export BENCH_BUILD_DIR=$build_dir BENCH_OUT_DIR=$build_dir/e2e
export UNINSTALLER_EXE=$build_dir/dist/VelmarUninstall3xandUp.exe VELMAR_DIST_DIR=$build_dir/dist

status=0
run() {
  local name=$1 script=$2 what=$3
  echo "== main job, $what"
  BENCH_TEST_NAME=main-job-$name bash "$here/$script" || status=1
  local log=$build_dir/e2e/logs/main-job-$name/VelmarUninstall.log
  if [ -f "$log" ]; then
    echo "== c:\\VelmarUninstall.log of the $what run"
    tr -d '\r' <"$log"
    echo "== problem lines: $(grep -ic '(error)' "$log") error(s), $(grep -ic '(warning)' "$log") warning(s)"
  fi
  echo "== screenshots: $build_dir/e2e/shots/main-job-$name/"
  ls "$build_dir/e2e/shots/main-job-$name/" 2>/dev/null
}
# The 4.0 server is a prepared one: its directory data has no faults, so its summary counts no
# error, and any error line is a fault to chase.
FULL_SQL_LAYOUT=$here/data/sql_prepared_server.txt FULL_GOLDEN=main_job \
  run full uninstaller_full_test.sh "4.0 server"
run dirscrub uninstaller_dirscrub_test.sh "3.1 server"
exit $status
