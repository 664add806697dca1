#!/usr/bin/env bash
# Checks the product exe: a 32-bit (PE32) console program that imports only DLLs every
# Windows installation has, so players need nothing beside it, and that carries its
# icon, its version resource in English and Chinese, and its manifest.
#   inspect_exe.sh MINGW_PREFIX EXE VERSION
# MINGW_PREFIX names the binutils to read it with (i686-w64-mingw32: its objdump, windres).
set -uo pipefail
tools=$1
exe=$2
version=$3
headers=$("$tools-objdump" -p "$exe") || { echo "FAIL: $tools-objdump cannot read $exe"; exit 1; }
resources=$("$tools-windres" -i "$exe" -O rc) || { echo "FAIL: no resources in $exe"; exit 1; }
# The manifest is resource 1 of type 24 (RT_MANIFEST); windres prints its lines as strings.
manifest=$(sed -n '/^1 24 /,/^END/p' <<<"$resources")
chinese=$(sed -n '/BLOCK "080404B0"/,/END/p' <<<"$resources")
# The icon group's images, each by its width: a byte in octal, where 0 stands for 256.
icon_sizes=$(sed -n '/ RT_GROUP_ICON /,/^END/s/^ *"\\\([0-7]*\)\\.*/\1/p' <<<"$resources" |
  while read -r width; do echo $((8#$width ? 8#$width : 256)); done | sort -n | xargs)
# A text as windres prints a wide string: each character beyond ASCII as \x and 4 hex digits.
wide() { python3 -c 'import sys; print("".join(c if c < "\x80" else "\\x%04x" % ord(c) for c in sys.argv[1]))' "$1"; }
failures=0
# check WHAT TEXT GREP_ARGUMENTS...
check() {
  if grep -q "${@:3}" <<<"$2"; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    failures=$((failures + 1))
  fi
}
check "32-bit PE image" "$headers" -E 'file format pei-i386'
check "PE32 optional header" "$headers" -E '^Magic[[:space:]]+010b'
check "console subsystem" "$headers" -E '^Subsystem[[:space:]]+00000003'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[[ -n $imports ]] || { echo "FAIL: no imports found"; failures=$((failures + 1)); }
for dll in $imports; do
  case ${dll,,} in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) echo "ok: imports $dll" ;;
    *) echo "FAIL: imports $dll, which is not a Windows system DLL"; failures=$((failures + 1)) ;;
  esac
done

# The AVX2 scan runs only where the processor has it, but Windows gives a 32-bit program's
# stack 4-byte alignment: no vector spilled there may need 32.
aligned=$("$tools-objdump" -d "$exe" | grep -E \
  'vmov(dqa|aps|apd)[[:space:]]+(%ymm[0-7],[^,]*\(%e[sb]p\)|[^,]*\(%e[sb]p\),%ymm)' | head -3)
if [[ -z $aligned ]]; then
  echo "ok: no aligned 32-byte vector moves on the stack"
else
  printf 'FAIL: aligned 32-byte vector moves on the stack:\n%s\n' "$aligned"
  failures=$((failures + 1))
fi

check "numeric file version $version" "$resources" -Fx " FILEVERSION ${version//./, }, 0"
check "numeric product version $version" "$resources" -Fx " PRODUCTVERSION ${version//./, }, 0"
for value in "FileVersion\", \"$version" "ProductVersion\", \"$version" \
  'ProductName", "SaveTitleRebuild' 'OriginalFilename", "SaveTitleRebuild.exe' \
  "FileDescription\", \"Rebuilds Lanternfall's save title files"; do
  check "version string $value\"" "$resources" -F "VALUE \"$value\""
done
check "an icon group of 16, 32, 48 and 256 pixels" "$icon_sizes" -x '16 32 48 256'
check "version resource in English and Chinese" "$resources" -F \
  'VALUE "Translation", 0x409, 1200, 0x804, 1200'
for value in "FileVersion\", \"$version" "ProductVersion\", \"$version" \
  "FileDescription\", L\"$(wide '重建 Lanternfall 存档的标题文件')"; do
  check "Chinese version string $value\"" "$chinese" -F "VALUE \"$value\""
done
check "manifest: runs as the invoker, no elevation" "$manifest" \
  -F 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""'
for os in 7:35138b9a-5d96-4fbd-8e2d-a2440225f93a 8:4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
  8.1:1f676c76-80e1-4239-95bb-83d0f6d0da78 10/11:8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  check "manifest: supports Windows ${os%%:*}" "$manifest" -F "supportedOS Id=\"\"{${os#*:}}\"\""
done
echo "inspect_exe: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
((failures == 0))
