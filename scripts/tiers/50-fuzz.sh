#!/usr/bin/env bash
# Every fuzz target (DNS message parser, echo decoder, hosts-file reader,
# branding block) under libFuzzer with the address and undefined-behaviour
# sanitizers, for PLOVER_FUZZ_SECONDS each (30 by default), two at a time,
# from the kept corpus in tests/fuzz/corpus, which this tier leaves as it is.
# Any crash, leak, time-out or sanitizer report fails the tier; its input
# stays in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${PLOVER_FUZZ_SECONDS:-30}
exec scripts/fuzz.sh --seconds --no-merge --jobs 2 --dns "$seconds" "$seconds"
