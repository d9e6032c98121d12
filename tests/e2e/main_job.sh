#!/usr/bin/env bash
# The main job under Wine: the uninstaller run end to end on a sandboxed fake installation
# (the product's values in the 32-bit registry view, its services running as fake service
# programs, its kit, web script and a zq-named process), every window answered by the bench,
# then the run's log and problem counts printed; screenshots under build/windows/e2e/shots/.
set -uo pipefail
build_dir=$(cd "${1:-build/windows}" && pwd)
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
export BENCH_BUILD_DIR=$build_dir BENCH_TEST_NAME=main-job BENCH_OUT_DIR=$build_dir/e2e
export UNINSTALLER_EXE=$build_dir/dist/VelmarUninstall3xandUp.exe VELMAR_DIST_DIR=$build_dir/dist
bash "$here/uninstaller_stage_a_test.sh"
status=$?
log=$build_dir/e2e/logs/main-job/VelmarUninstall.log
if [ -f "$log" ]; then
  echo "== c:\\VelmarUninstall.log of the run"
  tr -d '\r' <"$log"
  echo "== problem lines: $(grep -ic '(error)' "$log") error(s), $(grep -ic '(warning)' "$log") warning(s)"
fi
echo "== screenshots: $build_dir/e2e/shots/main-job/"
ls "$build_dir/e2e/shots/main-job/" 2>/dev/null
exit $status
