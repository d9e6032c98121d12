#!/usr/bin/env bash
# The main job under Wine: the toolkit's programs run end to end on a sandboxed fake
# installation. For now that is the uninstaller's start-up on a product that is not running,
# answered No, its log printed, and Exit pressed; screenshots under build/windows/e2e/shots/.
set -euo pipefail
build_dir=$(cd "${1:-build/windows}" && pwd)
export BENCH_BUILD_DIR=$build_dir BENCH_TEST_NAME=main-job
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
bash "$here/uninstaller_startup_test.sh"
echo "== the uninstall log of the run that passed start-up, and its screenshots:"
ls "$build_dir/e2e/shots/main-job/"
