#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (with "bench": also the benchmarks';
# with "fuzz": also clang and its fuzzer runtime);
# installs nothing when all are there. Package scripts must register ODBC drivers in the system's own
# files, so the project's ODBC settings never reach them.
set -euo pipefail
unset ODBCSYSINI ODBCINI ODBCINSTINI
pkgs=(g++ cmake make pkg-config unixodbc unixodbc-dev odbcinst libsqlite3-dev libsodium-dev
      libgtest-dev libgmock-dev)
[ "${1:-}" = bench ] && pkgs+=(libbenchmark-dev libsqliteodbc)
# libFuzzer and the sanitizer runtimes for clang come with compiler-rt.
[ "${1:-}" = fuzz ] && pkgs+=(clang libclang-rt-14-dev)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# A package left half-configured by an earlier failed install is finished first.
if [ -n "$(dpkg --audit 2>/dev/null)" ]; then
  echo "finishing an interrupted package install"
  $sudo dpkg --configure -a
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
