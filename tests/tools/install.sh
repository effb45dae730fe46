#!/usr/bin/env bash
# An installed copy: its files, a host built against it through pkg-config and through
# find_package, and its engine registered with a driver manager by the zorb tool.
set -uo pipefail
build=$1 src=$2
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
pass=0 fail=0
ok() { pass=$((pass + 1)); }
bad() { fail=$((fail + 1)); echo "FAIL $*"; }

prefix=$tmp/prefix
timeout 120 cmake --install "$build" --prefix "$prefix" >/dev/null || bad "cmake --install"
libdir=$(cd "$prefix" && ls -d lib* | head -n 1)
for f in include/zorb/zorb.h include/zorb/host.h "$libdir/libzorb.so" "$libdir/libzorbengine.so" \
         bin/zorb "$libdir/pkgconfig/zorb.pc" "$libdir/cmake/zorb/zorbConfig.cmake"; do
  [ -f "$prefix/$f" ] && ok || bad "not installed: $f"
done

# The engine registered in a driver manager folder of the test's own, as for the system's.
export ODBCSYSINI=$tmp/etc
mkdir -p "$ODBCSYSINI"
out=$(timeout 30 "$prefix/bin/zorb" driver install --data-root "$tmp/servers") || bad "driver install: $out"
grep -q "^Driver=$prefix/$libdir/libzorbengine.so" "$ODBCSYSINI/odbcinst.ini" && ok ||
  bad "odbcinst.ini: $(cat "$ODBCSYSINI/odbcinst.ini")"
timeout 30 "$prefix/bin/zorb" driver install --data-root relative >/dev/null 2>&1
[ $? -eq 2 ] && ok || bad "a relative data root is refused"
timeout 30 "$prefix/bin/zorb" ping --create -S demo >/dev/null || bad "ping --create on the installed engine"

# Hosts built against the installed copy, one each way, run on the registered engine.
export LD_LIBRARY_PATH=$prefix/$libdir
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
g++ -o "$tmp/host-pc" "$src/host/host.cpp" $(pkg-config --cflags --libs zorb) 2>&1 || bad "pkg-config build"
out=$(cd "$tmp" && timeout 30 ./host-pc demo) && [ "$out" = "1 42" ] && ok || bad "pkg-config host: $out"
timeout 120 cmake -S "$src/host" -B "$tmp/hb" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null &&
  timeout 120 cmake --build "$tmp/hb" >/dev/null || bad "find_package build"
out=$(cd "$tmp" && timeout 30 "$tmp/hb/host" demo) && [ "$out" = "1 42" ] && ok || bad "find_package host: $out"

out=$(timeout 30 "$prefix/bin/zorb" driver remove) || bad "driver remove: $out"
grep -q '^\[SQL Server\]' "$ODBCSYSINI/odbcinst.ini" && bad "still registered after remove" || ok
echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
