# The fuzz entries and the parsers they drive; the fuzz project compiles them
# all, the native tier only the entries (its core library has the parsers).
get_filename_component(PLOVER_FUZZ_ENTRIES_DIR ${CMAKE_CURRENT_LIST_DIR} ABSOLUTE)
get_filename_component(PLOVER_FUZZ_ROOT ${CMAKE_CURRENT_LIST_DIR}/../../.. ABSOLUTE)
set(PLOVER_FUZZ_ENTRY_ONLY_SOURCES
    ${PLOVER_FUZZ_ENTRIES_DIR}/DnsParseEntry.cpp
    ${PLOVER_FUZZ_ENTRIES_DIR}/IcmpDecodeEntry.cpp
    ${PLOVER_FUZZ_ENTRIES_DIR}/HostsReadEntry.cpp
    ${PLOVER_FUZZ_ENTRIES_DIR}/BrandingReadEntry.cpp)
set(PLOVER_FUZZ_ENTRY_SOURCES ${PLOVER_FUZZ_ENTRY_ONLY_SOURCES}
    ${PLOVER_FUZZ_ROOT}/protocols/DnsMessage.cpp
    ${PLOVER_FUZZ_ROOT}/protocols/DnsRecords.cpp
    ${PLOVER_FUZZ_ROOT}/protocols/IcmpEcho.cpp
    ${PLOVER_FUZZ_ROOT}/checks/HostsFile.cpp
    ${PLOVER_FUZZ_ROOT}/app/BrandingSections.cpp
    ${PLOVER_FUZZ_ROOT}/app/BrandingText.cpp)
