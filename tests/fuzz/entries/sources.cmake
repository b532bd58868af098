# The fuzz entries: the fuzz project links them with the product's libraries
# into the fuzzers, the native tier into the replay of their kept corpus.
get_filename_component(PLOVER_FUZZ_ENTRIES_DIR ${CMAKE_CURRENT_LIST_DIR} ABSOLUTE)
set(PLOVER_FUZZ_ENTRY_SOURCES
    ${PLOVER_FUZZ_ENTRIES_DIR}/DnsParseEntry.cpp
    ${PLOVER_FUZZ_ENTRIES_DIR}/IcmpDecodeEntry.cpp
    ${PLOVER_FUZZ_ENTRIES_DIR}/HostsReadEntry.cpp
    ${PLOVER_FUZZ_ENTRIES_DIR}/BrandingReadEntry.cpp)
