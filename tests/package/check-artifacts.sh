#!/usr/bin/env bash
# Checks the release artifacts that scripts/package.sh wrote, as an administrator gets
# them:
#   check-artifacts.sh [DIST]      (default: dist/ of this tree)
# The names carry the version of the top CMakeLists.txt. The Windows archive holds
# exactly the deliverables, the sample driver package and the docs; its programs are of
# the right PE kinds and load on the oldest servers they serve; SHA256SUMS covers and
# verifies every file. The Linux archive and the Debian package hold the installed tree,
# the package declares the package of every library its programs need, and pathmgr
# from each runs the demo host.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
dist=$(realpath "${1:-$src/dist}")
version=$(sed -n 's/^project(pathmgr_package VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
[[ -n $version ]] || { echo "check-artifacts.sh: no project version in $src/CMakeLists.txt" >&2; exit 2; }
arch=$(uname -m)
objdump=x86_64-w64-mingw32-objdump  # reads 32-bit and 64-bit programs alike
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
# Runs one group of checks; the group calls `fail` with each reason and returns $bad.
check() {
  local what=$1 out
  shift
  if out=$("$@" 2>&1); then
    echo "ok $what"
    passed=$((passed + 1))
  else
    echo "FAIL $what"
    sed 's/^/  /' <<<"$out"
    failed=$((failed + 1))
  fi
}
fail() {
  echo "$*"
  bad=1
}

# The files under a folder, one relative path a line, sorted.
files_in() {
  (cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort)
}
# The same list as what is expected; differences are shown.
same_files() {  # folder, expected list
  local d
  d=$(diff <(files_in "$1") <(LC_ALL=C sort <<<"$2")) || fail "files differ (< in the artifact, > expected):"$'\n'"$d"
}
docs_list() {  # prefix
  echo "$1README.md"
  (cd "$src" && find docs -type f -printf "$1%p\n")
}

# pathmgr of an unpacked tree on the demo host, made in a state folder of its own.
runs_demo_host() {  # pathmgr program
  local state out
  state=$(mktemp -d "$work/state.XXXXXX")
  out=$(env -u PATHMGR_SIM XDG_STATE_HOME="$state" "$1" devinfo 2>&1) || { fail "$1 devinfo: exit $?"$'\n'"$out"; return; }
  grep -q 'Device# SerialNumber' <<<"$out" && grep -qE '^ *0 +60B5E718' <<<"$out" ||
    fail "$1 devinfo printed no device table:"$'\n'"$out"
}

windows_archive() {
  local bad=0 zip=$dist/pathmgr-$version-windows.zip tree=$work/windows/pathmgr-$version-windows
  [[ -f $zip ]] || { fail "missing $zip"; return 1; }
  mkdir -p "$work/windows"
  (cd "$work/windows" && cmake -E tar xf "$zip") || { fail "cannot unpack $zip"; return 1; }
  [[ -d $tree ]] || { fail "no folder pathmgr-$version-windows in the archive"; return 1; }
  same_files "$tree" "$(printf '%s\n' pathmgr.exe relinfo.dll install.exe SHA256SUMS
    docs_list ''
    cd "$src/installexe/package" && find . -type f -printf 'sample-driver-package/%P\n')"
  diff -r "$src/installexe/package" "$tree/sample-driver-package" >/dev/null ||
    fail "sample-driver-package differs from installexe/package"
  return $bad
}

windows_programs() {
  local bad=0 tree=$work/windows/pathmgr-$version-windows entry file want headers kind utf16
  [[ -d $tree ]] || { fail "no unpacked Windows archive"; return 1; }
  for entry in pathmgr.exe:pei-i386 relinfo.dll:pei-i386 install.exe:pei-x86-64; do
    file=${entry%%:*} want=${entry#*:}
    headers=$("$objdump" -p "$tree/$file" 2>&1) || { fail "$file: not a PE file"$'\n'"$headers"; continue; }
    kind=$(sed -n 's/.*file format //p' <<<"$headers")
    grep -qx $'\tDLL' <<<"$headers" && kind+=" DLL"
    [[ $file == *.dll ]] && want+=" DLL"
    [[ $kind == "$want" ]] || fail "$file is $kind, expected $want"
  done
  bash "$src/tools/win-imports/check-imports.sh" server2003-x86 "$tree/pathmgr.exe" "$tree/relinfo.dll" || bad=1
  bash "$src/tools/win-imports/check-imports.sh" server2003-x64 "$tree/install.exe" || bad=1
  # The version record's texts (UTF-16) carry the version the archive is named by.
  utf16=$(printf '%s' "$version" | od -An -tx1 -v | tr -d ' \n' | sed 's/../&00/g')
  [[ $(od -An -tx1 -v "$tree/relinfo.dll" | tr -d ' \n') == *"$utf16"* ]] ||
    fail "relinfo.dll carries no version text $version"
  return $bad
}

windows_checksums() {
  local bad=0 tree=$work/windows/pathmgr-$version-windows listed
  [[ -f $tree/SHA256SUMS ]] || { fail "no SHA256SUMS"; return 1; }
  (cd "$tree" && sha256sum --check --quiet --strict SHA256SUMS) || fail "SHA256SUMS does not verify"
  listed=$(sed 's/^[0-9a-f]\{64\}  //' "$tree/SHA256SUMS" | LC_ALL=C sort)
  [[ $listed == "$(files_in "$tree" | grep -vx SHA256SUMS)" ]] || fail "SHA256SUMS does not list every other file"
  return $bad
}

linux_expected() {  # prefix of the installed tree
  printf '%s\n' "$1bin/pathmgr" "$1bin/pathmgr-sim"
  docs_list "$1share/doc/pathmgr/"
}

linux_archive() {
  local bad=0 tgz=$dist/pathmgr-$version-linux-$arch.tar.gz tree=$work/linux/pathmgr-$version-linux-$arch out
  [[ -f $tgz ]] || { fail "missing $tgz"; return 1; }
  mkdir -p "$work/linux"
  tar -xzf "$tgz" -C "$work/linux" || { fail "cannot unpack $tgz"; return 1; }
  [[ -d $tree ]] || { fail "no folder pathmgr-$version-linux-$arch in the archive"; return 1; }
  same_files "$tree" "$(linux_expected '')"
  runs_demo_host "$tree/bin/pathmgr"
  out=$("$tree/bin/pathmgr-sim" --family 5 --devices 2 -o "$work/linux/f5.json" 2>&1 &&
    PATHMGR_SIM=$work/linux/f5.json "$tree/bin/pathmgr" devinfo 2>&1) || fail "a host of pathmgr-sim for pathmgr:"$'\n'"$out"
  return $bad
}

debian_package() {
  local bad=0 deb root=$work/deb so package depends deps=() names=() d
  deb=$(find "$dist" -maxdepth 1 -name "pathmgr_${version}_*.deb")
  [[ -n $deb && $(wc -l <<<"$deb") == 1 ]] || { fail "expected one pathmgr_${version}_*.deb in $dist"; return 1; }
  [[ $(dpkg-deb -f "$deb" Package) == pathmgr ]] || fail "package name is $(dpkg-deb -f "$deb" Package)"
  [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version is $(dpkg-deb -f "$deb" Version)"
  dpkg -x "$deb" "$root" || { fail "dpkg -x failed"; return 1; }
  same_files "$root" "$(linux_expected usr/)"
  runs_demo_host "$root/usr/bin/pathmgr"
  # Every library a program needs comes from a package the package depends on.
  depends=$(dpkg-deb -f "$deb" Depends)
  IFS=, read -ra deps <<<"$depends"
  for d in "${deps[@]}"; do
    d=${d# }
    names+=("${d%% *}")
  done
  for so in $(for b in "$root"/usr/bin/*; do objdump -p "$b" | awk '$1 == "NEEDED" { print $2 }'; done | sort -u); do
    package=$(dpkg -S "*/$(gcc -print-multiarch)/$so" 2>/dev/null) || { fail "no installed package holds $so"; continue; }
    package=${package%%:*}
    [[ " ${names[*]} " == *" $package "* ]] || fail "$so is in $package, which Depends ($depends) does not name"
  done
  return $bad
}

check "Windows archive: the deliverables, the sample driver package and the docs, nothing else" windows_archive
check "Windows programs: PE kinds, imports of the oldest servers, the version record" windows_programs
check "Windows archive: SHA256SUMS lists and verifies every file" windows_checksums
check "Linux archive: the installed tree; pathmgr runs the demo host and a host of pathmgr-sim" linux_archive
check "Debian package: the installed tree under /usr, its libraries' packages declared, pathmgr runs" debian_package
echo "artifacts: $passed passed, $failed failed"
((failed == 0))
