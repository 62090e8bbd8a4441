#!/bin/sh
# Builds the fuzz targets (clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs them one after another.
#
#   sh tools/fuzz.sh [SECONDS]    each target for SECONDS seconds (default 20)
#   sh tools/fuzz.sh --runs N     each target for N inputs, however long it takes
#
# FUZZ_TARGETS="fuzz_date fuzz_amount" limits the run to those targets.
# The seed corpus of tests/fuzz/corpus is copied to build/fuzz/work first, so
# the inputs a run adds never change the checkout.  An input that crashes,
# hangs or trips a sanitizer is kept in build/fuzz/findings/<target>/ and the
# script ends with status 1 after the other targets have run.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)

limit="-max_total_time=${1:-20}"
total=""
if [ "$1" = "--runs" ]; then
    total="${2:?--runs needs a number}"
fi
# A long run goes in rounds of a million inputs, each a fresh process on the
# corpus the rounds before it grew: one process slows down as the
# sanitizers' records of every allocation grow (a tenth of its speed after
# a few million inputs).
round=1000000

sh tools/setup.sh
launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
CXX=clang++-14 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENNICK_FUZZ=ON \
    -DFENNICK_TESTS=OFF $launcher >/dev/null
cmake --build build/fuzz -j"$(nproc)" --target fuzzers

targets=${FUZZ_TARGETS:-$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')}
work="$root/build/fuzz/work"
mkdir -p "$root/build/fuzz/logs"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
# A smaller store of freed blocks than AddressSanitizer's default keeps the
# memory of a long run from growing towards the limit.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
failed=""
printf '%-20s %12s %8s  %s\n' target runs seconds result
for t in $targets; do
    rm -rf "${work:?}/$t"
    mkdir -p "$work/$t" "$root/build/fuzz/findings/$t"
    if [ -d "tests/fuzz/corpus/$t" ]; then
        cp "tests/fuzz/corpus/$t"/* "$work/$t"/
    fi
    # Inputs longer than a target reads only slow it down.
    case $t in
    fuzz_category) maxlen="-max_len=1100" ;;
    fuzz_settings) maxlen="-max_len=1400" ;;
    fuzz_record) maxlen="-max_len=400" ;;
    fuzz_picklist) maxlen="-max_len=512" ;;
    # libofx keeps a few hundred bytes of some damaged statements it gives
    # up on (its own parser's objects, not freed); that is not counted.
    fuzz_ofx) maxlen="-detect_leaks=0" ;;
    *) maxlen="" ;;
    esac
    # ... nor at the end of the run, when LeakSanitizer looks again.
    asan="$ASAN_OPTIONS"
    [ "$t" = fuzz_ofx ] && asan="$asan:detect_leaks=0"
    # A long run keeps no stack for each allocation: recording them was half
    # of the time of a string-heavy target.  Run a kept input again for the
    # whole report.
    [ -n "$total" ] && asan="$asan:malloc_context_size=0"
    log="$root/build/fuzz/logs/$t.log"
    started=$(date +%s)
    result=ok
    runs=0
    : >"$log"
    while :; do
        if [ -n "$total" ]; then
            left=$((total - runs))
            [ "$left" -gt 0 ] || break
            [ "$left" -lt "$round" ] || left=$round
            limit="-runs=$left"
        fi
        if ! ASAN_OPTIONS="$asan" "$root/build/fuzz/tests/fuzz/$t" "$limit" $maxlen -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$root/build/fuzz/findings/$t/" \
            "$work/$t" >>"$log" 2>&1; then
            result="FOUND (see $log)"
            failed="$failed $t"
        fi
        done_now=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        [ -n "$done_now" ] || done_now=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
        runs=$((runs + ${done_now:-0}))
        [ -n "$total" ] && [ "$result" = ok ] || break
    done
    seconds=$(( $(date +%s) - started ))
    printf '%-20s %12s %8s  %s\n' "$t" "${runs:-?}" "$seconds" "$result"
done
if [ -n "$failed" ]; then
    echo "fuzzing found problems in:$failed" >&2
    exit 1
fi
