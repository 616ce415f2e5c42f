#!/usr/bin/env bash
# Times vorn as a whole process: N stochastic trials of 20 quarters (random
# errors and coefficients, seed 12345) on a scratch copy of the example working
# directory, standard output to a file.
# usage: bench/stochastic.sh N [BUILD_DIR]    (BUILD_DIR defaults to build/)
set -euo pipefail
trials=${1:?usage: bench/stochastic.sh N [BUILD_DIR]}
build=$(cd "${2:-$(dirname "$0")/../build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$build/example/." "$scratch"
cd "$scratch"

TIMEFORMAT='%R %U %S'
if ! times=$( { time "$build/vorn" 2000.4 2005.4 plain.fix "$trials" 1 1 12345 </dev/null >out.txt; } 2>&1 ); then
    echo "vorn failed: $times" >&2
    tail -c 400 out.txt >&2
    exit 1
fi
read -r elapsed user system <<<"$times"
cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }')
echo "vorn, $trials trials of 20 quarters: $elapsed s elapsed, $cpu s CPU ($user user, $system system)"
