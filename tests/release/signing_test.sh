#!/usr/bin/env bash
# Signs the dist folder as a release build does (cmake/sign_dist.py, the certificate named in
# the environment) with a throwaway authority and code-signing certificate made here, and checks
# the signed copy: reproducible, verified, only the signature added, the password never on a
# command line, the dist folder untouched. Leaves the signed copy, a tampered program and the
# authority's certificate for the Wine checks that follow it (fixture signed_release).
# From CTest's environment: VELMAR_SOURCE_DIR, VELMAR_DIST_DIR, VELMAR_PACKAGE_LIST (the shipped
# tree's list of shipped files), VELMAR_SIGNING_TEST_DIR (emptied first).
set -euo pipefail

fail() {
  echo "signing: $*" >&2
  exit 1
}
for variable in VELMAR_SOURCE_DIR VELMAR_DIST_DIR VELMAR_PACKAGE_LIST VELMAR_SIGNING_TEST_DIR; do
  [ -n "${!variable:-}" ] || fail "$variable is not set"
done
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (scripts/bootstrap installs it)"
[ -f "$VELMAR_PACKAGE_LIST" ] || fail "no $VELMAR_PACKAGE_LIST (build first)"
case "$VELMAR_SIGNING_TEST_DIR" in
  */signing-test) ;;
  *) fail "refusing to empty $VELMAR_SIGNING_TEST_DIR (not a folder named signing-test)" ;;
esac
work=$VELMAR_SIGNING_TEST_DIR
rm -rf "$work"
mkdir -p "$work/keys" "$work/shim"
chmod 700 "$work/keys"
problems=0
check() { # check DESCRIPTION COMMAND...: counts a failure and goes on
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; problems=$((problems + 1)); fi
}
pe_signature() { python3 "$VELMAR_SOURCE_DIR/tests/release/pe_signature.py" "$@"; }

# A throwaway authority and a code-signing certificate it issued; the PKCS#12 file carries the
# chain, as an organisation's does. No key outlives the test folder.
cat >"$work/keys/openssl.cnf" <<'EOF'
[req]
distinguished_name = dn
prompt = no
[dn]
CN = Velmar Throwaway Test Authority
[authority]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
password="throwaway $RANDOM$RANDOM secret"
export VELMAR_TEST_PASSWORD=$password
(
  cd "$work/keys"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3 \
    -config openssl.cnf -extensions authority
  openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
    -subj "/CN=Velmar Test Publisher/O=Velmar Release Tests"
  openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile openssl.cnf -extensions signer -out signer.pem
  openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.p12 \
    -passout env:VELMAR_TEST_PASSWORD
) >"$work/keys/openssl.log" 2>&1 </dev/null || { cat "$work/keys/openssl.log"; fail "openssl failed"; }
openssl x509 -in "$work/keys/ca.pem" -outform DER -out "$work/ca.der"

# Every osslsigncode command line the signing starts, one argument a line.
real=$(command -v osslsigncode)
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\nexec "%s" "$@"\n' "$work/argv.log" "$real" \
  >"$work/shim/osslsigncode"
chmod +x "$work/shim/osslsigncode"

epoch=1767225600 # shown by osslsigncode as Jan  1 00:00:00 2026 GMT
sign() { # sign FOLDER_NAME [more environment]: the build's signing step, into $work/FOLDER_NAME
  local name=$1
  shift
  env PATH="$work/shim:$PATH" VELMAR_SIGN_PKCS12="$work/keys/signer.p12" \
    VELMAR_SIGN_PASSWORD="$password" "$@" \
    python3 "$VELMAR_SOURCE_DIR/cmake/sign_dist.py" "$VELMAR_DIST_DIR" "$VELMAR_PACKAGE_LIST" \
    "$work/$name" VelmarRemovalToolkit "$work/$name.zip" "$epoch" cmake
}

dist_before=$(cd "$VELMAR_DIST_DIR" && sha256sum ./*)
sign signed || fail "the first signing failed"
sign again || fail "the second signing failed"
check "the dist folder is untouched by signing" \
  test "$dist_before" = "$(cd "$VELMAR_DIST_DIR" && sha256sum ./*)"

mapfile -t pe_files < <(grep -iE '\.(exe|dll)$' "$VELMAR_PACKAGE_LIST" | sort)
[ ${#pe_files[@]} -eq 8 ] || fail "expected 8 shipped programs and libraries, found ${#pe_files[@]}"

# Two runs, same certificate and source date: the same bytes, folder and zip.
for name in $(cat "$VELMAR_PACKAGE_LIST") SHA256SUMS; do
  check "two signings give the same $name" cmp -s "$work/signed/$name" "$work/again/$name"
done
check "two signings give the same zip" cmp -s "$work/signed.zip" "$work/again.zip"

# The password went through a file, never an argument.
check "the password is on no command line" bash -c '! grep -qF -- "$1" "$2"' _ "$password" "$work/argv.log"
check "every signing read its password from a file" \
  test "$(grep -cx -- -readpass "$work/argv.log")" -eq $((2 * ${#pe_files[@]}))

# The password from a file of the release engineer's (which wins over a wrong one beside it)
# gives the same signatures.
printf '%s\n' "$password" >"$work/keys/password"
sign byfile VELMAR_SIGN_PASSWORD=wrong VELMAR_SIGN_PASSWORD_FILE="$work/keys/password" ||
  fail "signing with VELMAR_SIGN_PASSWORD_FILE failed"
check "a password file signs as the password does" cmp -s "$work/signed.zip" "$work/byfile.zip"

for name in "${pe_files[@]}"; do
  out=$(osslsigncode verify -CAfile "$work/keys/ca.pem" -in "$work/signed/$name" 2>&1) &&
    verified=yes || verified=no
  check "$name: verified against the test authority" test $verified = yes
  check "$name: signed with SHA-256 at the source date" \
    grep -qE "Signing time: *Jan +1 00:00:00 2026 GMT" <<<"$out"
  check "$name: SHA-256 digest" grep -qE "Message digest algorithm *: *SHA256" <<<"$out"
  check "$name: nothing but the signature added (resources and manifest as built)" \
    pe_signature only-signature-added "$VELMAR_DIST_DIR/$name" "$work/signed/$name"
done
out=$(osslsigncode verify -CAfile "$work/keys/ca.pem" -in "$work/signed/VelmarUninstall3xandUp.exe" 2>&1) || true
check "the uninstaller's signature names the program and the publisher" \
  grep -qE "Text description: *Velmar Uninstaller *$" <<<"$out"
check "the uninstaller's signature carries the publisher's address" \
  grep -qE "URL description: *http://tools\.brannocksystems\.example *$" <<<"$out"
check "an unsigned program does not verify" \
  bash -c '! osslsigncode verify -CAfile "$1" -in "$2" >/dev/null 2>&1' _ "$work/keys/ca.pem" \
  "$VELMAR_DIST_DIR/VelmarUninstall3xandUp.exe"

# One byte of the code section changed after signing (verification output differs between
# osslsigncode releases, so only its exit code counts here).
mkdir -p "$work/tampered"
cp "$work/signed/VelmarUninstall3xandUp.exe" "$work/tampered/"
offset=$(pe_signature code-byte "$work/tampered/VelmarUninstall3xandUp.exe")
python3 - "$work/tampered/VelmarUninstall3xandUp.exe" "$offset" <<'EOF'
import sys
path, offset = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(offset)
    byte = f.read(1)[0]
    f.seek(offset)
    f.write(bytes([byte ^ 0x01]))
EOF
check "one byte of the code section changed" \
  test "$(cmp -l "$work/signed/VelmarUninstall3xandUp.exe" "$work/tampered/VelmarUninstall3xandUp.exe" | wc -l)" -eq 1
check "a program changed after signing does not verify" \
  bash -c '! osslsigncode verify -CAfile "$1" -in "$2" >/dev/null 2>&1' _ "$work/keys/ca.pem" \
  "$work/tampered/VelmarUninstall3xandUp.exe"

# The signed folder's own checksums and zip, over exactly the shipped files.
check "the signed folder's SHA256SUMS holds" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$work/signed"
check "SHA256SUMS names the same files as the dist folder's" \
  test "$(cut -d' ' -f3 "$VELMAR_DIST_DIR/SHA256SUMS")" = "$(cut -d' ' -f3 "$work/signed/SHA256SUMS")"
check "the documents ship as they are" cmp -s "$VELMAR_DIST_DIR/README.txt" "$work/signed/README.txt"
mkdir -p "$work/unzipped"
python3 -m zipfile -e "$work/signed.zip" "$work/unzipped" || fail "the signed zip does not unpack"
check "the zip holds the signed folder" diff -r "$work/signed" "$work/unzipped/VelmarRemovalToolkit"

# A wrong password fails the build step and leaves no folder that looks signed.
if sign wrong VELMAR_SIGN_PASSWORD=wrong >"$work/wrong.log" 2>&1; then
  check "a wrong password fails the signing" false
else
  check "a wrong password fails the signing" grep -q "could not sign" "$work/wrong.log"
fi
check "a failed signing leaves no signed folder" test ! -e "$work/wrong" -a ! -e "$work/wrong.part" -a ! -e "$work/wrong.zip"

# No certificate configured: the step signs nothing and takes away an earlier signed copy.
cp -r "$work/again" "$work/stale"
cp "$work/again.zip" "$work/stale.zip"
sign stale VELMAR_SIGN_PKCS12= || fail "the step failed without a certificate"
check "without a certificate no signed copy is left" test ! -e "$work/stale" -a ! -e "$work/stale.zip"

[ $problems -eq 0 ] || fail "$problems checks failed"
echo "signing: all checks passed"
