#!/usr/bin/env bash
# The import check refuses what the oldest system lacks and names it:
#   check_imports_test.sh CHECK_SCRIPT [FORBIDDEN_IMPORT_EXE]
# A made-up import table (through a stand-in objdump) holds one allowed import, one
# function of a later system and one import by ordinal; the cross-built program, when
# given, imports GetTickCount64.
set -uo pipefail
check=$1
probe=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

expect_refused() {  # description, expected lines..., then the command after "--"
  local what=$1
  shift
  local expected=()
  while [[ $1 != -- ]]; do expected+=("$1"); shift; done
  shift
  local out rc
  out=$("$@" 2>&1)
  rc=$?
  if ((rc != 1)); then
    echo "FAIL $what: exit $rc, expected 1"; echo "$out"; fails=1; return
  fi
  for line in "${expected[@]}"; do
    grep -qxF "  $line" <<<"$out" || { echo "FAIL $what: '$line' not named"; echo "$out"; fails=1; return; }
  done
  if (($(grep -c '^  ' <<<"$out") != ${#expected[@]})); then
    echo "FAIL $what: more refused than expected"; echo "$out"; fails=1; return
  fi
  echo "ok $what"
}

cat >"$work/table.txt" <<'TABLE'
The Import Tables (interpreted .idata section contents)
 vma:            Hint    Time      Forward  DLL       First
                 Table   Stamp     Chain    Name      Thunk
 00006000	00006050 00000000 00000000 00006300 000060a0

	DLL Name: KERNEL32.dll
	vma:  Hint/Ord Member-Name Bound-To
	60f0	  136  CloseHandle
	6100	  620  InitializeSRWLock

 00006014	00006060 00000000 00000000 00006310 000060b0

	DLL Name: OLEAUT32.dll
	vma:  Hint/Ord Member-Name Bound-To
	80000009	    9  <none>

 00006028	00000000 00000000 00000000 00000000 00000000

TABLE
printf '#!/bin/sh\ncat "$2"\n' >"$work/objdump"
chmod +x "$work/objdump"
expect_refused "made-up table" "KERNEL32.dll!InitializeSRWLock" "OLEAUT32.dll!#9" -- \
  env OBJDUMP="$work/objdump" bash "$check" server2003-x86 "$work/table.txt"
if [[ -n $probe ]]; then
  expect_refused "cross-built program" "KERNEL32.dll!GetTickCount64" -- bash "$check" server2003-x64 "$probe"
fi
exit $fails
