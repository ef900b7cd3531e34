#!/bin/sh
# Builds the release package dist/UpgradePatch-2.0.0.zip: the 32-bit UpgradePatch.exe and
# UpgradePatchCmd.exe, the usage notes 使用说明.txt (UTF-8 with BOM), the fleet docs (fleet.md), the
# Ansible playbook with its judging and its undo (fleet-playbook.yml, fleet-judging.yml,
# fleet-undo.yml) and SHA256SUMS.
# Authenticode signing is optional: set SIGN_CERT (PEM certificate or chain) and SIGN_KEY (PEM
# private key), and SIGN_PASS when the key has a password. SIGN_TS_URL names an RFC 3161
# time-stamp server: a time-stamped signature stays valid after the signing certificate expires;
# one without a time stamp stops validating then. DIST names another output folder.
# PROGRAMS names a folder that holds UpgradePatch.exe and UpgradePatchCmd.exe already built (a
# copy of build/win32): then nothing is configured or built, and the build tree is left alone.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
DIST=${DIST:-$ROOT/dist}
name=UpgradePatch-2.0.0
programs=${PROGRAMS:-}
if [ -z "$programs" ]; then
    sh scripts/setup.sh
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 --target UpgradePatch UpgradePatchCmd
    programs=build/win32
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for exe in UpgradePatch.exe UpgradePatchCmd.exe; do
    cp "$programs/$exe" "$stage/"
done
if [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ]; then
    command -v osslsigncode >/dev/null || { echo "package: osslsigncode is needed for signing" >&2; exit 1; }
    for exe in "$stage"/*.exe; do
        osslsigncode sign -certs "$SIGN_CERT" -key "$SIGN_KEY" ${SIGN_PASS:+-pass "$SIGN_PASS"} \
            -h sha256 -n "Upgrade patch 2.0.0" -i "https://www.quellor.cn/" \
            ${SIGN_TS_URL:+-ts "$SIGN_TS_URL"} \
            -in "$exe" -out "$exe.signed" >/dev/null
        mv "$exe.signed" "$exe"
        echo "package: signed $(basename "$exe")"
    done
fi
printf '\357\273\277' > "$stage/使用说明.txt"
sed 's/$/\r/' docs/usage-zh.txt >> "$stage/使用说明.txt"
cp docs/fleet-playbook.yml docs/fleet-judging.yml docs/fleet-undo.yml docs/fleet.md "$stage/"
(cd "$stage" && sha256sum *.exe 使用说明.txt fleet-*.yml fleet.md > SHA256SUMS)

mkdir -p "$DIST"
python3 - "$stage" "$DIST/$name.zip" <<'PY'
import os, sys, zipfile
stage, target = sys.argv[1], sys.argv[2]
names = sorted(n for n in os.listdir(stage) if n.endswith(".exe")) + [
    "使用说明.txt", "fleet.md", "fleet-playbook.yml", "fleet-judging.yml", "fleet-undo.yml",
    "SHA256SUMS"]
# Fixed dates and order: the same inputs give the same archive.
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for n in names:
        info = zipfile.ZipInfo(n, date_time=(2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(os.path.join(stage, n), "rb") as f:
            z.writestr(info, f.read())
PY
echo "package: $DIST/$name.zip"
(cd "$stage" && cat SHA256SUMS)
