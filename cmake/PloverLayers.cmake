# The product's libraries: one per folder of layers.txt, each linked to the
# libraries of the folders right below it and, through them, to everything
# further down. Warnings and sanitizers are interface targets: the product's
# libraries take the warnings, and everything that links the bottom layer
# takes the sanitizers. Before this file is included, PLOVER_WARNINGS holds
# the warning options and PLOVER_SANITIZE says whether to sanitize.
get_filename_component(PLOVER_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(PLOVER_LAYER_GRAPH ${CMAKE_CURRENT_LIST_DIR}/layers.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PLOVER_LAYER_GRAPH})

add_library(plover_warnings INTERFACE)
target_compile_options(plover_warnings INTERFACE "$<$<COMPILE_LANGUAGE:C,CXX>:${PLOVER_WARNINGS}>")

add_library(plover_sanitize INTERFACE)
if(PLOVER_SANITIZE)
    target_compile_options(plover_sanitize INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(plover_sanitize INTERFACE -fsanitize=address,undefined)
endif()

file(STRINGS ${PLOVER_LAYER_GRAPH} plover_layer_lines REGEX "^[a-z]")
foreach(line IN LISTS plover_layer_lines)
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(POP_FRONT fields folder library)
    set_property(GLOBAL APPEND PROPERTY plover_layer_folders ${folder})
    set_property(GLOBAL PROPERTY plover_layer_library_${folder} ${library})
    set_property(GLOBAL PROPERTY plover_layer_uses_${folder} ${fields})
endforeach()

# A build step that holds every include of the product to the graph. It runs
# again whenever a product file or the graph changes, and every library
# waits for it, so an include against the graph stops the build before
# anything compiles.
function(plover_check_layers)
    set(checker ${PLOVER_ROOT}/tests/layering/check-layers.sh)
    get_property(folders GLOBAL PROPERTY plover_layer_folders)
    set(files)
    foreach(folder IN LISTS folders)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
             ${PLOVER_ROOT}/${folder}/*.h ${PLOVER_ROOT}/${folder}/*.cpp)
        list(APPEND files ${found})
    endforeach()
    list(REMOVE_DUPLICATES files)
    set(stamp ${CMAKE_BINARY_DIR}/layers.checked)
    add_custom_command(OUTPUT ${stamp}
        COMMAND bash ${checker} ${PLOVER_ROOT} ${PLOVER_LAYER_GRAPH}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${files} ${PLOVER_LAYER_GRAPH} ${checker}
        COMMENT "Checking every include against the layer graph"
        VERBATIM)
    add_custom_target(plover_layer_check ALL DEPENDS ${stamp})
endfunction()

# The library of one folder of the graph, from the folder's own .cpp files
# (not its subfolders'), less the ones named after EXCLUDE. A folder of
# headers only gives an interface library.
function(plover_layer folder)
    cmake_parse_arguments(PARSE_ARGV 1 layer "" "" "EXCLUDE")
    get_property(library GLOBAL PROPERTY plover_layer_library_${folder})
    if(NOT library)
        message(FATAL_ERROR "${folder} is not a layer of ${PLOVER_LAYER_GRAPH}")
    endif()
    get_property(uses GLOBAL PROPERTY plover_layer_uses_${folder})
    set(below)
    foreach(use IN LISTS uses)
        get_property(used GLOBAL PROPERTY plover_layer_library_${use})
        list(APPEND below ${used})
    endforeach()

    file(GLOB sources CONFIGURE_DEPENDS ${PLOVER_ROOT}/${folder}/*.cpp)
    foreach(excluded IN LISTS layer_EXCLUDE)
        list(REMOVE_ITEM sources ${PLOVER_ROOT}/${folder}/${excluded})
    endforeach()
    if(sources)
        add_library(${library} STATIC ${sources})
        target_link_libraries(${library} PRIVATE plover_warnings)
        set(scope PUBLIC)
    else()
        add_library(${library} INTERFACE)
        set(scope INTERFACE)
    endif()
    if(TARGET plover_layer_check)
        add_dependencies(${library} plover_layer_check)
    endif()
    target_include_directories(${library} ${scope} ${PLOVER_ROOT})
    target_link_libraries(${library} ${scope} ${below})
    if(NOT uses)
        target_link_libraries(${library} ${scope} Threads::Threads plover_sanitize)
    endif()
endfunction()

function(plover_layers)
    foreach(folder IN LISTS ARGN)
        plover_layer(${folder})
    endforeach()
endfunction()
