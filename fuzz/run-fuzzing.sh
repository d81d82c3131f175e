#!/bin/sh
# run-fuzzing.sh FUZZER CORPUS RUNS: fuzzes that many inputs from a scratch
# copy of the corpus, so the one in the tree stays as it is. A count, not a
# time: the same fuzzing however busy the machine is with other tests. The seed is printed, and
# TALVEN_FUZZ_SEED chooses it, so that a finding can be had again; a failing
# input is left beside the scratch copy and belongs in fuzz/corpus after.
set -u
fuzzer=$1
corpus=$2
runs=$3
seed=${TALVEN_FUZZ_SEED:-$(date +%s)}
echo "fuzz seed: $seed (TALVEN_FUZZ_SEED=$seed runs it again)"
rm -rf work failed-*
cp -r "$corpus" work
if ! "$fuzzer" -seed="$seed" -runs="$runs" -print_final_stats=1 -artifact_prefix="$PWD/failed-" work; then
    echo "failing input: $(ls "$PWD"/failed-*); keep it in fuzz/corpus"
    exit 1
fi
