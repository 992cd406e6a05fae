#!/usr/bin/env bash
# scripts/sign on copies of the Windows build, with a certificate made for the run:
#   sign-test.sh SCRATCH OBJCOPY WINE_RUN GUI FILE...
# Every file and a small MSI package are signed and each signature verified; the resources
# (the plug-in's version resource, Gui.bin's catalogs) come out byte for byte as they went in;
# the signed Gui.bin still runs; and the failures leave files as they were.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sign="$here/../../scripts/sign"
scratch=$1 objcopy=$2 wine_run=$3 gui=$4
shift 4

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch/files"
cd "$scratch" || exit 1
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Kestrova test signer" -addext extendedKeyUsage=codeSigning 2>/dev/null ||
    { echo "FAIL: no test certificate"; exit 1; }
export KV_SIGN_CERT=$scratch/cert.pem KV_SIGN_KEY=$scratch/key.pem
unset KV_SIGN_PASS KV_SIGN_TIMESTAMP

files=()
for f in "$gui" "$@"; do
    cp "$f" files/ && files+=("files/$(basename "$f")")
done
echo "a file to install" >files/readme.txt
(cd files && wixl -o tiny.msi "$here/tiny.wxs") || fail "wixl could not make the test package"
files+=(files/tiny.msi)

resources() { # file -> its resource section, or nothing when it has none
    "$objcopy" -O binary --only-section=.rsrc "$1" "$1.rsrc" 2>/dev/null && [ -s "$1.rsrc" ] &&
        echo "$1.rsrc"
}
declare -A before
for f in "${files[@]}"; do
    [ "${f##*.}" = msi ] && continue
    r=$(resources "$f") && mv "$r" "$f.rsrc-before" && before[$f]=$f.rsrc-before
done
LC_ALL=C grep -qaP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n\x00' \
    files/npkestrova.dll.rsrc-before || fail "npkestrova.dll has no version resource to check"

"$sign" "${files[@]}" || fail "scripts/sign failed"
# Signing again replaces the signature; it does not pile up.
"$sign" files/npkestrova.dll >/dev/null || fail "scripts/sign failed on a signed file"

for f in "${files[@]}"; do
    out=$(osslsigncode verify -CAfile cert.pem -in "$f" 2>&1)
    grep -q "^Signature verification: ok" <<<"$out" && grep -q "^Number of verified signatures: 1" <<<"$out" ||
        fail "$f: signature not verified: $out"
done
for f in "${!before[@]}"; do
    r=$(resources "$f") && cmp -s "$r" "${before[$f]}" || fail "$f: resources changed by signing"
done

# The signed program still runs (the PIN argument answers without a dialog).
answer=$(printf '1\nbox\n4321\n' | "$wine_run" "files/$(basename "$gui")" --pin-on-input 2>/dev/null)
[ "$answer" = $'0\n4321' ] || fail "the signed Gui.bin answered '$answer'"

# Failures leave the files as they were; the other files of the call are signed all the same.
cp "$gui" plain.exe
expect() { # status, whether plain.exe is signed after, description, command...
    local status=$1 signed=$2 what=$3
    shift 3
    cp "$gui" plain.exe
    "$@" >/dev/null 2>&1
    local got=$?
    [ "$got" -eq "$status" ] || fail "$what: exit $got, not $status"
    if cmp -s plain.exe "$gui"; then
        [ "$signed" = no ] || fail "$what: plain.exe was not signed"
    else
        [ "$signed" = yes ] || fail "$what: plain.exe was changed"
    fi
}
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out other.pem 2>/dev/null
expect 1 no "a timestamp server that does not answer" \
    env KV_SIGN_TIMESTAMP=http://127.0.0.1:9/ "$sign" plain.exe
expect 1 no "a key that does not match the certificate" \
    env KV_SIGN_KEY="$scratch/other.pem" "$sign" plain.exe
expect 1 yes "a file that is not there" "$sign" missing.dll plain.exe
expect 2 no "a certificate without its key" env -u KV_SIGN_KEY "$sign" plain.exe
expect 0 no "neither certificate nor key (an unsigned build)" \
    env -u KV_SIGN_KEY -u KV_SIGN_CERT "$sign" plain.exe
expect 1 no "a file that is not a Windows program or package" "$sign" cert.pem
ls files/*.signing* >/dev/null 2>&1 && fail "scratch copies left behind"

[ "$failures" -eq 0 ] || exit 1
echo "signed and verified: ${files[*]}"
