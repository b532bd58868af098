// The libFuzzer side of one entry; PLOVER_FUZZ_ENTRY names it.
#include "tests/fuzz/entries/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plover::fuzz::PLOVER_FUZZ_ENTRY(data, size);
    return 0;
}
