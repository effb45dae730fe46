# Sourced by the command-line test scripts: counts in pass and fail.
pass=0 fail=0

# check NAME EXPECTED_EXIT EXPECTED_OUTPUT -- command...
check() {
  local name=$1 want_rc=$2 want_out=$3
  shift 4
  local out rc
  out=$("$@" 2>&1)
  rc=$?
  if [ "$rc" -eq "$want_rc" ] && [ "$out" = "$want_out" ]; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    printf 'FAIL %s: exit %s (want %s)\n--- got\n%s\n--- want\n%s\n' "$name" "$rc" "$want_rc" "$out" "$want_out"
  fi
}
