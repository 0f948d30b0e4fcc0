#!/usr/bin/env bash
# zmpack.exe (under Wine) and the Linux zmpack write the same package bytes for every method, and
# each extracts the other's solid package byte for byte.
#   zmpack_same_bytes.sh WINE_RUN ZMPACK_EXE ZMPACK WORK_DIR
set -u
run=$1 zmpack_exe=$2 zmpack=$3 work=$4/zmpack_same_bytes
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
winpath() {
  local p
  p=$(realpath -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}
[ -x "$zmpack" ] || fail "no Linux zmpack at $zmpack (build the native tree first)"
rm -rf "$work"
mkdir -p "$work/payload/bin" "$work/payload/docs" "$work/payload/empty" || fail "no work folder"
# Programs for the x86 chain (the test programs themselves), text for the other one.
cp "$zmpack_exe" "$work/payload/bin/zmpack.exe"
for i in $(seq 1 200); do
  printf 'line %d of a text file that repeats itself a little\n' "$i" >>"$work/payload/docs/a.txt"
done
seq 1 5000 >"$work/payload/docs/numbers.txt"
: >"$work/payload/docs/empty.txt"
export SOURCE_DATE_EPOCH=1700000000
for method in solid lzma deflate store; do
  "$zmpack" create -o "$work/linux-$method.bin" --stub none --method "$method" "$work/payload" \
    >/dev/null || fail "zmpack create --method $method"
  "$run" "$zmpack_exe" create -o "$(winpath "$work/wine-$method.bin")" --stub none \
    --method "$method" "$(winpath "$work/payload")" >/dev/null ||
    fail "zmpack.exe create --method $method"
  cmp "$work/linux-$method.bin" "$work/wine-$method.bin" ||
    fail "zmpack.exe and zmpack write different bytes with --method $method"
done
"$run" "$zmpack_exe" extract -d "$(winpath "$work/by-wine")" "$(winpath "$work/linux-solid.bin")" \
  >/dev/null || fail "zmpack.exe extract"
"$zmpack" extract -d "$work/by-linux" "$work/wine-solid.bin" >/dev/null || fail "zmpack extract"
diff -r "$work/payload" "$work/by-wine" || fail "zmpack.exe extracted other bytes"
diff -r "$work/payload" "$work/by-linux" || fail "zmpack extracted other bytes"
echo "same bytes for solid, lzma, deflate and store"
