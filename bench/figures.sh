#!/bin/sh
# The figures of bench/README.md in one command: builds upload_bench of this tree and of an
# earlier commit (with this tree's bench/, so both measure alike), runs the whole benchmark here
# and the form-body and query-open benchmarks there, and prints the README's tables.
#
#   bench/figures.sh [--quick] [old-commit]
#
# old-commit: the tree whose form body and fetch loop are the "old" figures (default e7ef559,
# before the one-pass form body and the direct fetch). --quick: 10^3 and 10^4 rows only, no
# 10^6, for a check that everything runs. Build folders: build-bench (BENCH_BUILD names another)
# and build-bench-old/tree/build, the earlier tree being unpacked in build-bench-old/tree; the
# raw results stay in <build>/figures.
set -eu
quick=0
if [ "${1:-}" = "--quick" ]; then
  quick=1
  shift
fi
old=${1:-e7ef559}
root=$(cd "$(dirname "$0")/.." && pwd)
new_build=${BENCH_BUILD:-$root/build-bench}
old_root=$root/build-bench-old
out=$new_build/figures

configure() {  # source folder, build folder
  launcher=
  command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
  # shellcheck disable=SC2086
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_BENCH=ON -DWERROR=ON $launcher >/dev/null
  cmake --build "$2" -j "${BENCH_JOBS:-6}" --target upload_bench >/dev/null
}

configure "$root" "$new_build"
rm -rf "$old_root/tree"
mkdir -p "$old_root/tree" "$out"
git -C "$root" archive "$old" | tar -x -C "$old_root/tree"
rm -rf "$old_root/tree/bench"
cp -r "$root/bench" "$old_root/tree/bench"
configure "$old_root/tree" "$old_root/tree/build"

if [ "$quick" = 1 ]; then
  sizes='--benchmark_filter=rows:1000/|rows:10000/|PageJson|FormBody|PullReply/MB:8'
  million=
else
  sizes=--benchmark_filter=.
  million=--million_rows
fi
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
"$new_build/bench/upload_bench" $million "$sizes" --benchmark_format=json --benchmark_out="$out/new.json" \
  --benchmark_out_format=json >/dev/null
"$old_root/tree/build/bench/upload_bench" '--benchmark_filter=QueryOpen|FormBody' \
  --benchmark_out="$out/old.json" --benchmark_out_format=json >/dev/null
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
python3 "$root/bench/figures.py" "$out/new.json" "$out/old.json" "$old" "$load_before" "$load_after"
