#!/usr/bin/env bash
# Runs each fuzzer for a set time: `make fuzz` (FUZZ_SECONDS each, 60 by
# default). Usage: fuzz/run_fuzzers.sh BUILD_FOLDER SECONDS [TARGET...]
#
# Corpora grow in BUILD_FOLDER/fuzz-corpus/<target> from run to run; the
# seeds come from fuzz/seeds/script and from kestrip-fuzz-seeds. A crash,
# leak, hang or sanitizer report stops the run with the fuzzer's log and the
# input saved as BUILD_FOLDER/fuzz-artifacts/<target>-*.
set -euo pipefail
build=$(cd "$1" && pwd)  # absolute: the fuzzers run in folders of their own
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(script bmp streams pictures viewer)
source_dir=$(cd "$(dirname "$0")/.." && pwd)

"$build/fuzz/kestrip-fuzz-seeds" "$build/fuzz-seeds"
mkdir -p "$build/fuzz-artifacts"

# The viewer's seed: the bundled example's listing, a NUL byte, its binary.
mkdir -p "$build/fuzz-seeds/viewer"
(cd "$source_dir/examples" &&
  "$build/kestrip" demo.kst "$build/fuzz-seeds/demo.bin" "$build/fuzz-seeds/demo.lst" >/dev/null)
{ cat "$build/fuzz-seeds/demo.lst"; printf '\0'; cat "$build/fuzz-seeds/demo.bin"; } \
  >"$build/fuzz-seeds/viewer/demo"

for target in "${targets[@]}"; do
  case $target in
    script) seeds=$source_dir/fuzz/seeds/script; max_len=4096 ;;
    bmp) seeds=$build/fuzz-seeds/bmp; max_len=65536 ;;
    streams) seeds=$build/fuzz-seeds/streams; max_len=20000 ;;
    pictures) seeds=$build/fuzz-seeds/pictures; max_len=16384 ;;
    viewer) seeds=$build/fuzz-seeds/viewer; max_len=65536 ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
  dict=$source_dir/fuzz/$target.dict
  [ -f "$dict" ] || dict=
  corpus=$build/fuzz-corpus/$target
  log=$build/fuzz-$target.log
  mkdir -p "$corpus"
  echo "fuzz_$target: ${seconds}s"
  if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -max_len="$max_len" ${dict:+-dict="$dict"} -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-artifacts/$target-" "$corpus" "$seeds" 2>"$log"; then
    tail -n 60 "$log"
    echo "fuzz_$target found a fault; the input is in $build/fuzz-artifacts" >&2
    exit 1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log" | sed 's/^/  /'
  echo "  corpus: $(ls "$corpus" | wc -l) inputs"
done
