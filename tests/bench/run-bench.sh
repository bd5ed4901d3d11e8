#!/usr/bin/env bash
# The search benchmark (make bench): lays out the trees, maps them to drive letters in a Wine
# prefix of its own, and runs SearchBench against them with a persistent wineserver.
# Sizes: BENCH_FANOUT, BENCH_DEPTH, BENCH_FILES (default 7, 5, 3: 19,608 directories) and
# BENCH_ROUNDS (default 5).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PREFIX_NAME=bench
source "$here/../harness/wine-env.sh"

fanout=${BENCH_FANOUT:-7}
depth=${BENCH_DEPTH:-5}
files=${BENCH_FILES:-3}
rounds=${BENCH_ROUNDS:-5}
trees="$BUILD_DIR/bench-trees"

echo "Laying out the trees in $trees ..."
python3 "$here/make-tree.py" "$trees/main" tree "$fanout" "$depth" "$files"
python3 "$here/make-tree.py" "$trees/narrow" tree 2 "$depth" "$files"
python3 "$here/make-tree.py" "$trees/flat" flat 5000
for length in 25 50 100 200; do
  python3 "$here/make-tree.py" "$trees/chain$length" chain "$length"
done

ensure_prefix
bench_dir="$WINEPREFIX/drive_c/bench"
mkdir -p "$bench_dir"
cp "$BUILD_DIR/win64/tests/bench/SearchBench.exe" "$bench_dir/"
start_wineserver
cd "$WINEPREFIX/drive_c" # a Wine drive as the current folder
trap 'stop_wineserver' EXIT
bench() { "$WINE64" 'C:\bench\SearchBench.exe' "$@"; }

echo
echo "== Time: bare walk, the two engines and cmd's dir, $rounds rounds interleaved"
bash "$here/../harness/map-drives.sh" "d=$trees/main"
bench time 'D:\' "$rounds"

echo
echo "== Memory: one miss-search per tree (deepest level; peaks of the own and the process heap)"
bash "$here/../harness/map-drives.sh" "d=$trees/main" "e=$trees/narrow" "f=$trees/flat" \
  "g=$trees/chain25" "h=$trees/chain50" "i=$trees/chain100" "j=$trees/chain200"
for case in "D:\\ fan-out $fanout, depth $depth" "E:\\ fan-out 2, depth $depth" \
  "F:\\ one directory of 5,000 entries" "G:\\ chain of 25" "H:\\ chain of 50" \
  "I:\\ chain of 100" "J:\\ chain of 200"; do
  echo "-- ${case#* } (${case%% *})"
  bench memory "${case%% *}"
done
