# Shell pieces the window benches share; sourced, not run.

# best COMMAND...: the best of three runs of COMMAND, in milliseconds.
best() {
  local b=999999999
  for _ in 1 2 3; do
    local s e
    s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N)
    local t=$(( (e - s) / 1000000 )); (( t < b )) && b=$t
  done
  echo "$b"
}
