#!/bin/sh
# The long fuzz run: 10,000,000 inputs for each target, one target after
# another on one core at the lowest priority.  Takes hours; the table at the
# end gives the runs and the result of each target.
cd "$(dirname "$0")/.."
exec nice -n 19 sh tools/fuzz.sh --runs "${FUZZ_RUNS:-10000000}"
