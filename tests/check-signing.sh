#!/bin/sh
# Signs the release package with a throwaway self-signed certificate, then checks that the
# signature verifies and that removing it gives back the unsigned, reproducible executable.
#   check-signing.sh SOURCE_DIR      (exit 77: the signing tools are not installed)
set -eu
src=$(cd "$1" && pwd)
for tool in osslsigncode openssl python3; do
    command -v $tool >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quellor test signing" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
SIGN_CERT=$work/cert.pem SIGN_KEY=$work/key.pem DIST=$work/dist sh "$src/scripts/package.sh" >/dev/null
python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" \
    "$work/dist/UpgradePatch-2.0.0.zip" "$work/unpacked"

status=0
for exe in "$work"/unpacked/*.exe; do
    base=$(basename "$exe")
    if osslsigncode verify -CAfile "$work/cert.pem" -in "$exe" >"$work/verify.log" 2>&1; then
        echo "ok   $base: signature verifies"
    else
        echo "FAIL $base: signature does not verify"; cat "$work/verify.log"; status=1
    fi
    osslsigncode remove-signature -in "$exe" -out "$work/$base.unsigned" >/dev/null
    if cmp -s "$work/$base.unsigned" "$src/build/win32/$base"; then
        echo "ok   $base: without its signature it is the unsigned build, byte for byte"
    else
        echo "FAIL $base: without its signature it differs from build/win32/$base"; status=1
    fi
    (cd "$work/unpacked" && grep " $base\$" SHA256SUMS | sha256sum -c --quiet -) \
        || { echo "FAIL $base: SHA256SUMS does not match the signed file"; status=1; }
done
exit $status
