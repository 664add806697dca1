#!/usr/bin/env bash
# Checks the product exe: a 32-bit (PE32) console program that imports only DLLs every
# Windows installation has, so players need nothing beside it.
#   inspect_exe.sh OBJDUMP EXE
set -uo pipefail
objdump=$1
exe=$2
headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
failures=0
check() {
  if grep -q -E "$2" <<<"$headers"; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    failures=$((failures + 1))
  fi
}
check "32-bit PE image" 'file format pei-i386'
check "PE32 optional header" '^Magic[[:space:]]+010b'
check "console subsystem" '^Subsystem[[:space:]]+00000003'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[[ -n $imports ]] || { echo "FAIL: no imports found"; failures=$((failures + 1)); }
for dll in $imports; do
  case ${dll,,} in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) echo "ok: imports $dll" ;;
    *) echo "FAIL: imports $dll, which is not a Windows system DLL"; failures=$((failures + 1)) ;;
  esac
done
echo "inspect_exe: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
((failures == 0))
