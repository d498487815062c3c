#!/usr/bin/env bash
# Fails when a Windows program or DLL imports a function that the oldest system it
# supports does not export (a loader there refuses it before it runs), naming each.
#
#   check-imports.sh SYSTEM FILE...     SYSTEM: server2003-x86 | server2003-x64
#
# The allowed functions are in allowed-imports.txt beside this script; the import
# tables are read with the MinGW-w64 objdump of the system's architecture (or $OBJDUMP).
set -euo pipefail
here=$(dirname "$0")
list=$here/allowed-imports.txt
if (($# < 2)); then
  echo "usage: $0 server2003-x86|server2003-x64 FILE..." >&2
  exit 2
fi
system=$1
shift
case $system in
  server2003-x86) arch=x86 objdump=${OBJDUMP:-i686-w64-mingw32-objdump} name="Windows Server 2003 (32-bit)" ;;
  server2003-x64) arch=x64 objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump} name="Windows Server 2003 x64" ;;
  *) echo "unknown system $system" >&2; exit 2 ;;
esac

# "dll!Function" for each allowed function of this architecture, the DLL in lower case.
allowed=$(awk -v arch="$arch" '
  { sub(/#.*/, "") }
  NF == 0 { next }
  /^\[.*\]$/ { dll = tolower(substr($1, 2, length($1) - 2)); next }
  NF == 1 || $2 == arch { print dll "!" $1 }
' "$list")

failed=0
for file in "$@"; do
  dump=$("$objdump" -p "$file") || { echo "$file: cannot read its headers" >&2; exit 2; }
  # One "Dll!Function" line per import ("Dll!#n" for an import by ordinal); a DLL
  # whose entries cannot be read stops the check rather than passing it.
  imports=$(awk '
    /^The Import Tables/ { inside = 1; next }
    /^The Export Tables|^PE File Base Relocations|^The Function Table/ { inside = 0 }
    !inside { next }
    /DLL Name:/ { if (dll != "" && entries == 0) { print "?" dll; } dll = $3; entries = 0; next }
    /^\t[0-9a-f]+\t +[0-9]+ / { entries++; print dll "!" ($3 == "<none>" ? "#" $2 : $3) }
    END { if (dll != "" && entries == 0) print "?" dll }
  ' <<<"$dump" | sort -u)
  if grep -q '^?' <<<"$imports"; then
    echo "$file: cannot read the imports of $(grep '^?' <<<"$imports" | cut -c2- | tr '\n' ' ')" >&2
    exit 2
  fi
  forbidden=$(awk -F'!' 'NR == FNR { ok[$0] = 1; next } !((tolower($1) "!" $2) in ok)' \
    <(printf '%s\n' "$allowed") <(printf '%s\n' "$imports" | sed '/^$/d'))
  count=$(printf '%s\n' "$imports" | sed '/^$/d' | wc -l)
  if [[ -n $forbidden ]]; then
    echo "$file imports what $name does not export:"
    sed 's/^/  /' <<<"$forbidden"
    failed=1
  else
    echo "$file: $count imports, all exported by $name"
  fi
done
exit $failed
