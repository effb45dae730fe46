#!/usr/bin/env bash
# Cross-builds ZORB.dll for x64 (build-win64) and x86 (build-win32) with mingw-w64 from the same
# sources, and runs the Windows checks of each: the export table, and where Wine can run the
# programs, the C host and the value probe against the embedded engine of the Linux build (Wine's
# odbc32 hands ODBC calls to unixODBC, which finds "SQL Server" in BUILD/etc).
# Usage: windows.sh [BUILD [JOBS [TYPE]]]
set -euo pipefail
build=${1:-build} jobs=${2:-2} type=${3:-RelWithDebInfo}
cd "$(dirname "$0")/.."
linux=$(pwd)/$build
cmake --build "$build" -j"$jobs" --target zorbengine zorb_tool -- --no-print-directory

launch=()
if command -v ccache >/dev/null; then
  launch=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
status=0
for target in x86_64:build-win64 i686:build-win32; do
  cpu=${target%%:*} dir=${target#*:}
  echo "== $dir ($cpu)"
  # The toolchain file counts only when the folder is first configured.
  cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$cpu.cmake \
        -DCMAKE_BUILD_TYPE="$type" -DZORB_LINUX_BUILD="$linux" "${launch[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs" -- --no-print-directory
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300) || status=1
done
exit $status
