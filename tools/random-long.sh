#!/bin/sh
# Runs random command sequences on the main window with new seeds until the
# given time is up (seconds, default 600), each seed for STEPS steps (default
# 400).  Prints every failing seed with its replay line; exits 1 if any failed.
#   sh tools/random-long.sh 3600
set -e
cd "$(dirname "$0")/.."
limit=${1:-600}
steps=${STEPS:-400}
build=${BUILD:-build/test}  # BUILD=build/dev runs an existing build instead
if [ ! -x "$build/tests/app_test_random_sequences" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DFENNICK_SANITIZE=ON -DFENNICK_WERROR=ON
    cmake --build "$build" -j"$(nproc)" --target app_test_random_sequences
fi
end=$(( $(date +%s) + limit ))
seed=${FIRST_SEED:-$(date +%s)}
runs=0
failed=0
undone=0
redone=0
log=$(mktemp)
while [ "$(date +%s)" -lt "$end" ]; do
    if ! FENNICK_SEQ_SEED=$seed FENNICK_SEQ_STEPS=$steps QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=detect_leaks=1 "$build/tests/app_test_random_sequences" >"$log" 2>&1 \
        || grep -q '^XFAIL' "$log"; then
        failed=$((failed + 1))
        echo "---- seed $seed failed:"
        grep -v 'propagateSizeHints' "$log" | sed -n '/seed /,/^XFAIL\|^FAIL/p'
    fi
    u=$(sed -n 's/.* \([0-9]*\) undone, \([0-9]*\) redone.*/\1/p' "$log" | head -n 1)
    r=$(sed -n 's/.* \([0-9]*\) undone, \([0-9]*\) redone.*/\2/p' "$log" | head -n 1)
    undone=$((undone + ${u:-0}))
    redone=$((redone + ${r:-0}))
    runs=$((runs + 1))
    seed=$((seed + 1))
done
rm -f "$log"
echo "random sequences: $runs seeds x $steps steps ($undone undos, $redone redos), $failed failed"
[ "$failed" -eq 0 ]
