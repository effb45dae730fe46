#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; installs nothing when all are there.
set -euo pipefail
pkgs=(g++ cmake make pkg-config unixodbc unixodbc-dev odbcinst libsqlite3-dev libsodium-dev
      libgtest-dev libgmock-dev libbenchmark-dev libsqliteodbc)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
