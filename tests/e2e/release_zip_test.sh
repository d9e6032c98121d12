#!/usr/bin/env bash
# The release zip as an administrator gets it: named with the version, one top folder holding
# exactly the dist folder's files, every entry dated alike; unpacked into a fresh folder its
# SHA256SUMS check out and README.txt reads right in Notepad, and the whole uninstall of a 4.0
# server then runs from that folder alone (the full uninstall test, pointed at it).
#
# Run by hand after building the windows preset:  bash tests/e2e/release_zip_test.sh
set -euo pipefail
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=lib/bench.sh
source "$here/lib/bench.sh"

version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$BENCH_REPO_DIR/CMakeLists.txt")
top=VelmarRemovalToolkit-$version
: "${VELMAR_PACKAGE_ZIP:=$BENCH_BUILD_DIR/$top.zip}"
: "${VELMAR_DIST_DIR:=$BENCH_BUILD_DIR/dist}"
[ -f "$VELMAR_PACKAGE_ZIP" ] || bench_die "$VELMAR_PACKAGE_ZIP is missing; build the windows preset first"
bench_expect_eq "the zip is named with the version" "$top.zip" "$(basename "$VELMAR_PACKAGE_ZIP")"

# What ships, in name order; the zip adds SHA256SUMS.
shipped=(
  DirscrubVelmar30.exe PelletSetup.exe README.txt VelmarClean.bat VelmarUninstall3xandUp.exe
  VelmarUninstall3xandUp.htm VelmarUninstall3xandUp_DEU.dll VelmarUninstall3xandUp_ENU.dll
  VelmarUninstall3xandUp_FRA.dll kill.exe mypause.exe tomcatuninstall.bat
)
expected_entries=$(printf "$top/%s\n" "${shipped[@]}" SHA256SUMS | LC_ALL=C sort)

unpacked=$(mktemp -d "${TMPDIR:-/tmp}/velmar-release.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT

# --- The zip ---------------------------------------------------------------------------------
# Each entry's name, date, mode and the size of its extra fields.
entries() {
  python3 - "$VELMAR_PACKAGE_ZIP" <<'PY'
import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    print(info.filename, "%04d-%02d-%02d %02d:%02d:%02d" % info.date_time,
          oct(info.external_attr >> 16), "extra=%d" % len(info.extra))
PY
}
listing=$(entries) || bench_die "python3 cannot read $VELMAR_PACKAGE_ZIP"
bench_expect_eq "the zip holds the shipped files under $top/, in name order" \
  "$expected_entries" "$(cut -d' ' -f1 <<<"$listing")"
# The same files must make the same zip: one date and mode for all, no owner or access times.
bench_expect_eq "every entry has the same date and mode" 1 \
  "$(cut -d' ' -f2- <<<"$listing" | sort -u | wc -l)"
bench_expect_match "no entry has extra fields" ' extra=0$' "$(cut -d' ' -f2- <<<"$listing" | sort -u)"

# Unpacked by another zip library than the one that wrote it.
(cd "$unpacked" && cmake -E tar xf "$VELMAR_PACKAGE_ZIP") || bench_die "cmake cannot unpack the zip"
folder=$unpacked/$top
bench_expect_eq "the unpacked folder is the dist folder, file for file" "" \
  "$(diff -r "$VELMAR_DIST_DIR" "$folder" 2>&1 || true)"

# --- SHA256SUMS and README.txt ------------------------------------------------------------------
bench_expect_eq "SHA256SUMS names every other file" "$(printf '%s\n' "${shipped[@]}" | LC_ALL=C sort)" \
  "$(sed -E 's/^[0-9a-f]{64}  //' "$folder/SHA256SUMS" | LC_ALL=C sort)"
sums=$(cd "$folder" && sha256sum -c SHA256SUMS 2>&1) || true
bench_expect_eq "sha256sum -c finds every file OK" "$(printf '%s: OK\n' "${shipped[@]}" | LC_ALL=C sort)" \
  "$(LC_ALL=C sort <<<"$sums")"

readme=$folder/README.txt
bench_expect_eq "README.txt ends every line with CR LF" "$(wc -l <"$readme")" "$(grep -c $'\r$' "$readme")"
for text in 'VelmarUninstall3xandUp.exe SkipDesktop' 'c:\VelmarUninstall.log' \
  'PelletSetup.exe -uninstall' '-silent' 'certutil -hashfile' 'sha256sum -c SHA256SUMS' \
  'VelmarUninstall3xandUp.htm'; do
  told=no
  if grep -qF -- "$text" "$readme"; then told=yes; fi
  bench_expect_eq "README.txt tells of '$text'" yes "$told"
done

# --- The whole uninstall from the unpacked folder ---------------------------------------------
full=0
VELMAR_DIST_DIR=$folder UNINSTALLER_EXE=$folder/VelmarUninstall3xandUp.exe \
  BENCH_TEST_NAME=${BENCH_TEST_NAME:-e2e.release_zip} bash "$here/uninstaller_full_test.sh" || full=$?
bench_expect_eq "the full uninstall from the unpacked folder passes" 0 "$full"

if [ "$BENCH_FAILURES" -gt 0 ]; then
  bench_log "$BENCH_FAILURES expectation(s) failed"
  exit 1
fi
bench_log "passed"
