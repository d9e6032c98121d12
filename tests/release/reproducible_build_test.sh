#!/usr/bin/env bash
# Builds the shipped targets a second time, from scratch in another folder configured as the tree
# that builds what ships (tests off, the shipped programs' toolchain), and compares every
# program and library byte for byte with the dist folder: the same sources give the same files.
#   reproducible_build_test.sh TARGET...
# From CTest's environment: VELMAR_SOURCE_DIR, VELMAR_DIST_DIR (the first build's dist folder),
# VELMAR_REPRO_DIR (the second build folder, emptied first and kept afterwards for a look),
# VELMAR_TOOLCHAIN, VELMAR_BUILD_TYPE and VELMAR_WERROR (the first build's settings).
set -euo pipefail

fail() {
  echo "reproducible build: $*" >&2
  exit 1
}

[ $# -gt 0 ] || fail "no targets given"
for variable in VELMAR_SOURCE_DIR VELMAR_DIST_DIR VELMAR_REPRO_DIR VELMAR_TOOLCHAIN \
  VELMAR_BUILD_TYPE VELMAR_WERROR; do
  [ -n "${!variable:-}" ] || fail "$variable is not set"
done
[ -d "$VELMAR_DIST_DIR" ] || fail "no dist folder at $VELMAR_DIST_DIR (build first)"

# Never empty anything but a folder of our own making.
case "$VELMAR_REPRO_DIR" in
  */repro) ;;
  *) fail "refusing to empty $VELMAR_REPRO_DIR (not a folder named repro)" ;;
esac
# One second build at a time: two test runs of the same tree would empty each other's folder.
exec 9>"$VELMAR_REPRO_DIR.lock"
flock 9
rm -rf "$VELMAR_REPRO_DIR"

started=$SECONDS
log=$(dirname "$VELMAR_REPRO_DIR")/repro.log
echo "second build in $VELMAR_REPRO_DIR (log: $log)"
if ! {
  cmake -S "$VELMAR_SOURCE_DIR" -B "$VELMAR_REPRO_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$VELMAR_TOOLCHAIN" -DCMAKE_BUILD_TYPE="$VELMAR_BUILD_TYPE" \
    -DVELMAR_WERROR="$VELMAR_WERROR" -DVELMAR_TESTS=OFF &&
    cmake --build "$VELMAR_REPRO_DIR" -j "$(nproc)" --target "$@"
} >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  fail "the second build failed"
fi
echo "second build took $((SECONDS - started)) s"

shipped() { find "$1" -maxdepth 1 -type f \( -iname '*.exe' -o -iname '*.dll' \) -printf '%f\n' | sort; }

second_dist=$VELMAR_REPRO_DIR/dist
mapfile -t built < <(shipped "$second_dist")
mapfile -t first < <(shipped "$VELMAR_DIST_DIR")
[ ${#built[@]} -eq $# ] || fail "expected $# files from the second build, found ${#built[@]}: ${built[*]}"

problems=0
for file in "${first[@]}"; do
  if [ ! -f "$second_dist/$file" ]; then
    echo "not built by the second build (a shipped target missing from the list?): $file"
    problems=$((problems + 1))
  fi
done
for file in "${built[@]}"; do
  if [ ! -f "$VELMAR_DIST_DIR/$file" ]; then
    echo "missing from the dist folder: $file"
    problems=$((problems + 1))
  elif cmp -s "$VELMAR_DIST_DIR/$file" "$second_dist/$file"; then
    echo "same: $file"
  else
    echo "differs: $file ($(cmp -l "$VELMAR_DIST_DIR/$file" "$second_dist/$file" 2>/dev/null |
      wc -l) bytes differ, the first at byte $(cmp "$VELMAR_DIST_DIR/$file" "$second_dist/$file" |
      sed -n 's/.* byte \([0-9]*\).*/\1/p'))"
    problems=$((problems + 1))
  fi
done

[ $problems -eq 0 ] || fail "$problems of the shipped files are not reproduced"
echo "reproducible build: all ${#built[@]} shipped files identical"
