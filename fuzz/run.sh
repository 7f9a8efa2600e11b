#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, a few at a time, and fails when any of
# them finds a crash, a leak, undefined behaviour or a broken check.
#
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET [TARGETS_AT_A_TIME]]
#
# A single allocation over 64 MB is a finding: no input here is that large, so such a block
# could only come from a size the input claims and does not hold.
# Seeds: the samples of tests/corpus/samples.tar.gz for the text targets, the stores that make_store_seeds
# writes for the store target. New inputs and crash files go to a temporary folder, never into
# the repository; a crashing input is printed in base64 so it can be kept from the log.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS [JOBS]]}" && pwd)
seconds=${2:-60}
jobs=${3:-2}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

work=$(mktemp -d "${TMPDIR:-/tmp}/pimfuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir "$work/store-seeds"
"$build/make_store_seeds" "$work/store-seeds"
mkdir "$work/samples"
tar -xzf "$root/tests/corpus/samples.tar.gz" -C "$work/samples"
text_seeds=("$work/samples/vcard" "$work/samples/vcalendar")

targets=(store_reader vcard_pass vcal_pass luid_answers fake_phone_card fake_phone_cal)

run_target() {
  local name=$1
  local dir="$work/$name"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  local seeds=("${text_seeds[@]}")
  if [ "$name" = store_reader ]; then seeds=("$work/store-seeds"); fi
  if "$build/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" "${seeds[@]}" \
    >"$dir/log" 2>&1; then
    echo "fuzz: $name: $(grep -E '^Done [0-9]+ runs' "$dir/log" || echo done)"
  else
    echo "fuzz: $name FAILED; the end of its log:"
    tail -n 60 "$dir/log"
    for crash in "$dir"/artifacts/*; do
      [ -f "$crash" ] || continue
      echo "fuzz: $name: input $(basename "$crash") in base64:"
      base64 -w 100 "$crash"
    done
    touch "$work/failed"
  fi
}

running=0
for name in "${targets[@]}"; do
  if [ ! -x "$build/fuzz_$name" ]; then
    echo "fuzz: $build/fuzz_$name is missing" >&2
    exit 1
  fi
  run_target "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

if [ -e "$work/failed" ]; then
  echo "fuzz: at least one target failed" >&2
  exit 1
fi
echo "fuzz: every target ran ${seconds}s without a finding"
