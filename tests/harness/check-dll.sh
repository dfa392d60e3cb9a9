#!/bin/sh
# Checks a built module: exactly the thirteen exports, and imports from
# Windows system DLLs only (the runtime is linked in statically).
#   check-dll.sh <objdump> <dll> [--skip-missing]
# With --skip-missing, a DLL that was not built is reported as skipped (77).
set -e
objdump=$1 dll=$2
if [ ! -f "$dll" ]; then
  echo "missing: $dll"
  [ "$3" = "--skip-missing" ] && { echo "(build its preset first)"; exit 77; }
  exit 1
fi
dump=$($objdump -p "$dll")
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[\s*[0-9]*\] //p' | sort | tr '\n' ' ')
want="PrGetChannel PrGetDeviceID PrGetPrinterData PrGetStatus PrGetTimerValue PrMonitoringEnd PrMonitoringStart PrReleasePrinterData PrReleaseRegistry PrSendPrinterData PrSetRegDefaultValue PrStartPreference PrStartView "
if [ "$exports" != "$want" ]; then
  echo "exports differ:"; echo " got:  $exports"; echo " want: $want"; exit 1
fi
bad=0
for imp in $(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p'); do
  case $(echo "$imp" | tr 'A-Z' 'a-z') in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|comctl32.dll|winmm.dll|version.dll|winspool.drv|msvcrt.dll|ntdll.dll|ole32.dll|oleaut32.dll|oleacc.dll|uxtheme.dll) ;;
    *) echo "not a system DLL: $imp"; bad=1 ;;
  esac
done
[ $bad = 0 ] || exit 1
echo "$dll: 13 exports, system imports only"
