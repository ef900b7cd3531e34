#!/bin/sh
# Signs the release package with a throwaway self-signed certificate, time-stamped by a local
# RFC 3161 responder (timestamp-responder.py), then checks that the signature and its time stamp
# verify and that removing the signature gives back the unsigned, reproducible executable.
#   check-signing.sh SOURCE_DIR      (exit 77: the signing tools are not installed)
set -eu
src=$(cd "$1" && pwd)
for tool in osslsigncode openssl python3; do
    command -v $tool >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
responder=
trap '[ -z "$responder" ] || kill "$responder" 2>/dev/null; rm -rf "$work"' EXIT

mkdir "$work/tsa"
python3 "$(dirname "$0")/timestamp-responder.py" "$work/tsa" "$work/tsa/port" &
responder=$!
i=0
while [ ! -f "$work/tsa/port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
[ -f "$work/tsa/port" ] || { echo "FAIL: the local time-stamp responder did not start"; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quellor test signing" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
# Packaging works on a copy of the release programs: other tests run them from build/win32 meanwhile.
mkdir "$work/programs"
cp "$src/build/win32/UpgradePatch.exe" "$src/build/win32/UpgradePatchCmd.exe" "$work/programs/"
SIGN_CERT=$work/cert.pem SIGN_KEY=$work/key.pem SIGN_TS_URL=http://127.0.0.1:$(cat "$work/tsa/port")/ \
    PROGRAMS=$work/programs DIST=$work/dist sh "$src/scripts/package.sh" >/dev/null
python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" \
    "$work/dist/UpgradePatch-2.0.0.zip" "$work/unpacked"

status=0
for exe in "$work"/unpacked/*.exe; do
    base=$(basename "$exe")
    if osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa/tsacert.pem" \
            -in "$exe" >"$work/verify.log" 2>&1 &&
       grep -q "Timestamp Server Signature verification: ok" "$work/verify.log"; then
        echo "ok   $base: signature and its RFC 3161 time stamp verify"
    else
        echo "FAIL $base: the signature or its time stamp does not verify"; cat "$work/verify.log"; status=1
    fi
    osslsigncode remove-signature -in "$exe" -out "$work/$base.unsigned" >/dev/null
    if cmp -s "$work/$base.unsigned" "$work/programs/$base"; then
        echo "ok   $base: without its signature it is the unsigned build, byte for byte"
    else
        echo "FAIL $base: without its signature it differs from build/win32/$base"; status=1
    fi
    (cd "$work/unpacked" && grep " $base\$" SHA256SUMS | sha256sum -c --quiet -) \
        || { echo "FAIL $base: SHA256SUMS does not match the signed file"; status=1; }
done
exit $status
