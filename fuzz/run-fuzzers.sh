#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a given time.
# Usage: fuzz/run-fuzzers.sh [SECONDS_EACH] [TARGET...]
# Findings land in build/fuzz/artifacts/<target>/; a finding is fixed and its input copied to
# fuzz/regressions/<target>/, where the tests replay it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(splitlist rulefile defenlei template unit ruletext ini outline)

# The targets save files on every input, and each save is flushed to the disk: scratch files go
# to memory when the machine has a RAM-backed folder.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null

status=0
summary=()
for t in "${targets[@]}"; do
  bin=build/fuzz/fuzz/fuzz_$t
  [ -x "$bin" ] || { echo "no target $t"; continue; }
  work=build/fuzz/corpus/$t
  artifacts=build/fuzz/artifacts/$t/
  mkdir -p "$work" "$artifacts"
  cp -rn fuzz/corpus/$t/. "$work"/ 2>/dev/null || true
  echo "== $t: $seconds s"
  log=build/fuzz/$t.log
  if ! "$bin" "$work" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts" -print_final_stats=1 >"$log" 2>&1; then
    status=1
    echo "   FINDING: see $log and $artifacts"
  fi
  runs=$(grep -Eo 'Done [0-9]+ runs' "$log" | grep -Eo '[0-9]+' || echo '?')
  summary+=("$t: $runs executions in $seconds s")
done
printf '%s\n' "${summary[@]}"
exit $status
