#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, build-fuzz/) and runs them one after another, never two at once.
#   scripts/fuzz.sh [target|all] [seconds per target]      e.g. scripts/fuzz.sh md3 600
# Targets: bmp tga jpeg md3 skin animation character mp3 linux rundown readings.  Each run starts from the seeds in
# fuzz/corpus/<target> and keeps what it finds in build-fuzz/corpus/<target> for the next run; inputs that
# crash, hang, leak or run out of memory land in build-fuzz/artifacts/<target>/.  To keep one as a
# regression input, copy it to fuzz/crashes/<target>/ once the reader is mended.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

all=(bmp tga jpeg md3 skin animation character mp3 linux rundown readings)
which=${1:-all}
seconds=${2:-600}
if [[ $which == all ]]; then
  targets=("${all[@]}")
else
  targets=("$which")
fi

VEXLIN_INSTALL_FUZZ=1 bash scripts/install-deps.sh

build=${VEXLIN_FUZZ_BUILD_DIR:-build-fuzz}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  -DVEXLIN_BENCHMARKS=OFF -DVEXLIN_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts" "$build/logs"
  options=(-rss_limit_mb=2048 -timeout=10 -max_total_time="$seconds" -print_final_stats=1
           -artifact_prefix="$artifacts/")
  if [[ -f fuzz/dict/$target.dict ]]; then
    options+=(-dict="fuzz/dict/$target.dict")
  fi
  echo "fuzz: $target for ${seconds}s (log $build/logs/$target.log)"
  if ! nice -n 19 "$build/fuzz/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" \
      >"$build/logs/$target.log" 2>&1; then
    failed+=("$target")
    grep -E '^(==[0-9]+==)?ERROR|^SUMMARY|runtime error' "$build/logs/$target.log" | head -5 || true
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$build/logs/$target.log" | tail -2 || true
done

if ((${#failed[@]} > 0)); then
  echo "fuzz: found something in: ${failed[*]} (see $build/artifacts/)" >&2
  exit 1
fi
