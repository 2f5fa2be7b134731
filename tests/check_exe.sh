#!/usr/bin/env bash
# The product is a 32-bit Windows GUI program for Intel 80386 that needs
# nothing but Windows itself: the C and C++ runtimes are linked in, and it
# imports only the system's own DLLs.
set -euo pipefail
exe=${1:?usage: check_exe.sh Lumivane.exe}
headers=$(i686-w64-mingw32-objdump -p "$exe")
fail() { echo "FAIL: $*" >&2; exit 1; }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 image for Intel 80386"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not a Windows GUI program"
echo "ok: PE32, Intel 80386, Windows GUI"

system_dlls='^(kernel32|user32|gdi32|comctl32|iphlpapi|wininet|shell32|ole32|advapi32|msvcrt|ws2_32)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
while read -r dll; do
  [ -z "$dll" ] && continue
  tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -Eq "$system_dlls" || fail "imports $dll, which is not part of Windows"
done <<<"$dlls"
echo "ok: imports only Windows DLLs:" $dlls
# The DLLs of the update check and the refresh are loaded when they are
# needed: imported, they would be loaded before the window shows.
late='^(wininet|shell32|ole32|iphlpapi)\.dll$'
while read -r dll; do
  ! tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -Eq "$late" || fail "imports $dll, which start-up does not need"
done <<<"$dlls"
echo "ok: WinINet, the shell and the IP helper are not loaded at start-up"
echo "size: $(stat -c %s "$exe") bytes"
