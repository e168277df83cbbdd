# Flags for our own code; third-party code never gets them.
function(calldesk_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror ${CALLDESK_SANITIZER_FLAGS})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        # GCC 12 reports std::string concatenation in libstdc++ as overlapping
        # memcpy at -O2 and above (a false positive fixed in GCC 13).
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()

# One static library per subsystem.
function(calldesk_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    calldesk_strict(${name})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# One test executable per test file, registered with CTest. Names follow the
# folder: tests/data/TestDbManage.cpp becomes data.TestDbManage, and
# tests/TestLayerMap.cpp stays TestLayerMap. A QT test is a QTest class with
# its own QTEST_MAIN (windows are tested that way); the others are GoogleTest
# files.
function(calldesk_test file)
    cmake_parse_arguments(ARG "QT" "TIMEOUT" "LIBS;ENV;LABELS" ${ARGN})
    get_filename_component(base "${file}" NAME_WE)
    file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/tests" "${CMAKE_CURRENT_SOURCE_DIR}")
    string(REPLACE "/" "." prefix "${rel}")
    if(prefix STREQUAL "")
        set(target "${base}")
    else()
        set(target "${prefix}.${base}")
    endif()
    add_executable(${target} "${file}")
    calldesk_strict(${target})
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    if(ARG_QT)
        set_target_properties(${target} PROPERTIES AUTOMOC ON)
        target_link_libraries(${target} PRIVATE ${ARG_LIBS} calldesk_testsupport Qt6::Test)
    else()
        target_link_libraries(${target} PRIVATE ${ARG_LIBS} calldesk_testsupport GTest::gtest_main GTest::gmock)
    endif()
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    add_test(NAME ${target} COMMAND ${target})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${target} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CALLDESK_SOURCE_DIR=${PROJECT_SOURCE_DIR};CALLDESK_BINARY_DIR=${CMAKE_BINARY_DIR};${ARG_ENV}")
    if(ARG_LABELS)
        set_tests_properties(${target} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
