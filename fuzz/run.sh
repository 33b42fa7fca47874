#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 and runs each for a fixed time.
#   fuzz/run.sh [SECONDS] [TARGET...]     (default: 60 seconds, every target)
# Targets: profile text sql jet json_lines recipients. The corpus of each target grows in
# build-fuzz/corpus/TARGET; it starts from seeds made here from tests/fixtures and fuzz/seeds.
# A fault stops its target, leaves the input as build-fuzz/artifacts/TARGET-crash-* and makes
# the script fail. Environment: KVSYS_FUZZ_BUILD (the build folder), KVSYS_FUZZ_JOBS.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(profile text sql jet json_lines recipients)
build="${KVSYS_FUZZ_BUILD:-$root/build-fuzz}"

"$root/scripts/install-deps.sh" clang-14 libclang-rt-14-dev
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j"${KVSYS_FUZZ_JOBS:-$(nproc)}" --target "${targets[@]/#/fuzz_}"

fixtures="$root/tests/fixtures/jet"
seeds="$build/seeds"
mkdir -p "$build/artifacts"
# Scratch files of the targets (settings files, Jet copies) go to memory when it can.
scratch="$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/kvsys-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

make_seeds() {
  local t="$1" dir="$seeds/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  [ -d "$root/fuzz/seeds/$t" ] && cp "$root/fuzz/seeds/$t"/* "$dir"/
  case "$t" in
    jet)  # the Jet files small enough to mutate quickly
      find "$fixtures" -name '*.mdb' -size -400k -exec cp {} "$dir"/ \;
      ;;
    sql|text)  # the statements of the fixture meets, one a file
      awk -v dir="$dir" 'BEGIN { RS = ";" } NF { n++; print > (dir "/stmt" n ".sql") }' \
        "$fixtures"/*.sql
      ;;
  esac
  # A few bytes of noise, so that no target starts from nothing.
  head -c 64 /dev/urandom >"$dir/noise"
}

options=(-print_final_stats=1 -max_total_time="$seconds")
failed=()
summary=()
for t in "${targets[@]}"; do
  make_seeds "$t"
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  extra=(-timeout=10 -max_len=4096)
  # Each Jet input runs the helper process: a few seconds at worst, and a file to mutate.
  [ "$t" = jet ] && extra=(-timeout=30 -max_len=400000)
  log="$build/artifacts/$t.log"
  echo "== $t: ${seconds}s"
  status=0
  TMPDIR="$scratch" "$build/bin/fuzz_$t" "${options[@]}" "${extra[@]}" \
    -artifact_prefix="$build/artifacts/$t-" "$corpus" "$seeds/$t" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log"
    failed+=("$t")
    summary+=("$t: FAULT after ${runs:-?} executions (see $log)")
  else
    summary+=("$t: ${runs:-?} executions, no fault")
  fi
done
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Faults in: ${failed[*]}" >&2
  exit 1
fi
