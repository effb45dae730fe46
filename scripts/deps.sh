#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (with "bench": also the benchmarks';
# with "windows": also the mingw-w64 cross compilers and Wine);
# installs nothing when all are there. Package scripts must register ODBC drivers in the system's own
# files, so the project's ODBC settings never reach them.
set -euo pipefail
unset ODBCSYSINI ODBCINI ODBCINSTINI
pkgs=(g++ cmake make pkg-config unixodbc unixodbc-dev odbcinst libsqlite3-dev libsodium-dev
      libgtest-dev libgmock-dev python3-pyodbc)
[ "${1:-}" = bench ] && pkgs+=(libbenchmark-dev libsqliteodbc)
[ "${1:-}" = windows ] && pkgs+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Another apt or dpkg run (a daily upgrade, say) holds the package lock for a while: wait for it,
# up to five minutes.
wait_lock=300
dpkg_configure() {
  local out i
  for ((i = 0; i < wait_lock / 2; i++)); do
    out=$($sudo dpkg --configure -a 2>&1) && return 0
    grep -q 'lock' <<<"$out" || break
    sleep 2
  done
  echo "$out" >&2
  return 1
}
# A package left half-configured by an earlier failed install is finished first.
if [ -n "$(dpkg --audit 2>/dev/null)" ]; then
  echo "finishing an interrupted package install"
  dpkg_configure
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
$sudo apt-get -o DPkg::Lock::Timeout=$wait_lock update -qq
$sudo apt-get -o DPkg::Lock::Timeout=$wait_lock install -y -qq --no-install-recommends "${missing[@]}"
