#!/usr/bin/env bash
# Checks the Windows release zip that `cmake --build --preset win32 --target
# package` makes: what it holds, and that its program is the 32-bit GUI
# program users should get (needing only Windows' own DLLs, stripped, with
# our version information and icon) and its read-me the one for Windows.
#
#   tests/check_release.sh BUILD_DIR     (e.g. build/win32)
#
# Prints each check as it passes and the program's size; stops with a message
# and a non-zero status at the first failure.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build_dir=$1
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
objcopy=${OBJCOPY:-i686-w64-mingw32-objcopy}
nm=${NM:-i686-w64-mingw32-nm}
zip_name=Lumivane-1.0-win32.zip
zip=$build_dir/$zip_name

# Windows' own DLLs, upper case: the program may import from these only.
system_dlls=(KERNEL32 USER32 GDI32 COMCTL32 IPHLPAPI WININET SHELL32 OLE32 ADVAPI32 WS2_32 MSVCRT)

work=$(mktemp -d "${TMPDIR:-/tmp}/lumivane-release.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
pass() { echo "ok: $*"; }

# Bytes of a file as one line of lower-case hex.
hex_of() { od -An -v -tx1 "$1" | tr -d ' \n'; }
# The little-endian unsigned number of COUNT (2 or 4) bytes at OFFSET.
number_at() { od -An -tu"$3" -j "$2" -N "$3" "$1" | tr -d ' '; }

# --- The zip --------------------------------------------------------------
[ -f "$zip" ] || fail "$zip does not exist (build it with: cmake --build --preset win32 --target package)"
pass "$zip_name exists"

entries=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$entries" = "Lumivane.exe README.txt " ] ||
  fail "the zip should hold exactly Lumivane.exe and README.txt at its top, but holds: $entries"
pass "the zip holds Lumivane.exe and README.txt, nothing else"

unzip -q "$zip" -d "$work/zip"
exe=$work/zip/Lumivane.exe
readme=$work/zip/README.txt

# --- The program ------------------------------------------------------------
"$objdump" -p "$exe" >"$work/headers" 2>&1 || fail "Lumivane.exe is not a 32-bit x86 PE (objdump cannot read it): $(head -3 "$work/headers")"

grep -q 'file format pei-i386' "$work/headers" || fail "Lumivane.exe is not a PE for Intel 80386"
grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' "$work/headers" || fail "Lumivane.exe is not PE32"
pass "Lumivane.exe is a PE32 for Intel 80386 (pei-i386)"

grep -Eq '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' "$work/headers" ||
  fail "Lumivane.exe is not a Windows GUI program: $(grep -E '^Subsystem' "$work/headers")"
pass "Lumivane.exe is a Windows GUI program (subsystem 2)"

mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/headers")
[ ${#dlls[@]} -gt 0 ] || fail "objdump lists no imported DLLs for Lumivane.exe"
for dll in "${dlls[@]}"; do
  base=$(echo "${dll%.[dD][lL][lL]}" | tr '[:lower:]' '[:upper:]')
  allowed=no
  for system in "${system_dlls[@]}"; do [ "$base" = "$system" ] && allowed=yes; done
  [ $allowed = yes ] || fail "Lumivane.exe imports $dll, which is not one of Windows' own DLLs (${system_dlls[*]})"
done
pass "Lumivane.exe imports only Windows' own DLLs: ${dlls[*]}"

"$objdump" -h "$exe" | grep -q '\.debug' && fail "Lumivane.exe holds debug sections"
nm_out=$("$nm" "$exe" 2>&1 || true)
[[ $nm_out == *"no symbols"* ]] || fail "Lumivane.exe still has a symbol table (not stripped)"
pass "Lumivane.exe is stripped"

# The resource directory as (type id, name id) pairs: objdump indents the
# type level by 3 spaces and the name level by 5.
resources=""
type=""
while IFS= read -r line; do
  if [[ $line =~ ^[0-9a-f]+\ {3}Entry:\ ID:\ 0x([0-9a-f]+), ]]; then
    type=$((16#${BASH_REMATCH[1]}))
  elif [[ $line =~ ^[0-9a-f]+\ {5}Entry:\ ID:\ 0x([0-9a-f]+), ]]; then
    resources+="$type/$((16#${BASH_REMATCH[1]}))"$'\n'
  fi
done <"$work/headers"
has_resource() { grep -qx "$1" <<<"$resources"; }
has_resource '16/1' || fail "Lumivane.exe has no version information (RT_VERSION 1); resources: $(tr '\n' ' ' <<<"$resources")"
has_resource '14/1' || fail "Lumivane.exe has no icon group 1 (RT_GROUP_ICON), which the window loads"
grep -q '^3/' <<<"$resources" || fail "Lumivane.exe has no icon images (RT_ICON)"
pass "Lumivane.exe has a version resource, icon group 1 and its images"

"$objcopy" -O binary -j .rsrc "$exe" "$work/rsrc" || fail "cannot take the .rsrc section out of Lumivane.exe"
rsrc_hex=$(hex_of "$work/rsrc")

# VS_FIXEDFILEINFO: the signature, structure version 1.0, file version
# 1.0.0.0 and product version 1.0.0.0.
[[ $rsrc_hex == *bd04effe00000100000001000000000000000100000000* ]] ||
  fail "the version resource does not give file and product version 1.0.0.0"
# The version strings, each name followed by its value.
strings -el -n 3 "$work/rsrc" >"$work/strings"
grep -qx 'VS_VERSION_INFO' "$work/strings" || fail "the .rsrc section holds no VS_VERSION_INFO"
while IFS='=' read -r name value; do
  actual=$(grep -x -A1 "$name" "$work/strings" | sed -n 2p)
  [ "$actual" = "$value" ] || fail "version information: $name is '${actual}', not '$value'"
done <<'EOF'
ProductName=Lumivane
ProductVersion=1.0
FileVersion=1.0.0.0
FileDescription=Lumivane network and system monitor
OriginalFilename=Lumivane.exe
InternalName=Lumivane
EOF
grep -q 'Copyright' "$work/strings" || fail "version information has no LegalCopyright"
pass "version information: Lumivane 1.0 (1.0.0.0), Lumivane.exe, with description and copyright"

# Every image of win32/lumivane.ico is in the program, byte for byte.
ico=$source_dir/win32/lumivane.ico
[ -f "$ico" ] || fail "$ico is missing"
images=$(number_at "$ico" 4 2)
[ "$images" -gt 0 ] || fail "$ico holds no images"
for ((i = 0; i < images; i++)); do
  size=$(number_at "$ico" $((6 + 16 * i + 8)) 4)
  offset=$(number_at "$ico" $((6 + 16 * i + 12)) 4)
  dd if="$ico" of="$work/image" bs=1 skip="$offset" count="$size" status=none
  [[ $rsrc_hex == *"$(hex_of "$work/image")"* ]] ||
    fail "icon image $((i + 1)) of win32/lumivane.ico ($size bytes) is not in Lumivane.exe: rebuild after make_icon.py"
done
pass "Lumivane.exe holds all $images images of win32/lumivane.ico"

# --- The read-me ------------------------------------------------------------
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || fail "README.txt does not start with a UTF-8 BOM"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "README.txt is not valid UTF-8"
lines=$(wc -l <"$readme")
crlf_lines=$(grep -c $'\r$' "$readme" || true)
if [ "$lines" -eq 0 ] || [ "$crlf_lines" -ne "$lines" ]; then
  fail "README.txt: $crlf_lines of $lines lines end in CR LF; all should"
fi
grep -q $'\r\r' "$readme" && fail "README.txt has doubled CRs"
pass "README.txt is UTF-8 with a BOM and CR LF line ends"

grep -q '@[A-Z_]*@' "$readme" && fail "README.txt has a placeholder left: $(grep -o '@[A-Z_]*@' "$readme" | head -1)"
host=$(sed -n 's/^LUMIVANE_UPDATE_HOST:[A-Z]*=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
if [ -n "$host" ]; then
  grep -qF "$host" "$readme" || fail "README.txt does not name the update host $host"
fi
for phrase in 'HTTP' '卸载' 'delete Lumivane.exe'; do
  grep -qF "$phrase" "$readme" || fail "README.txt lacks '$phrase'"
done
pass "README.txt names the update host ${host:-(unknown)} and tells how to remove the program, in Chinese and English"

echo "Lumivane.exe size: $(stat -c %s "$exe") bytes"
