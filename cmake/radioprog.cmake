# One static library per folder, each tests/tst_*.cpp its own test executable.

# radioprog_library(NAME DEPS...): the folder's sources with those of its sub-folders (tests
# excluded) as a static library.
function(radioprog_library name)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/(.*/)?tests/")
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/main\\.cpp$")
    list(FILTER sources INCLUDE REGEX "\\.(cpp|h)$")
    set(has_cpp FALSE)
    foreach(src IN LISTS sources)
        if(src MATCHES "\\.cpp$")
            set(has_cpp TRUE)
        endif()
    endforeach()
    if(has_cpp)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARGN})
    else()
        # A folder whose code is still headers only.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
endfunction()

# radioprog_tests(LIB EXTRA...): one test per tests/tst_*.cpp, linked to LIB, extras and QtTest.
function(radioprog_tests lib)
    if(NOT RADIOPROG_BUILD_TESTS)
        return()
    endif()
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/tst_*.cpp)
    foreach(src IN LISTS tests)
        get_filename_component(test ${src} NAME_WE)
        add_executable(${test} ${src})
        target_link_libraries(${test} PRIVATE ${lib} ${ARGN} testsupport)
        add_test(NAME ${test} COMMAND ${test})
        set_tests_properties(${test} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1"
            TIMEOUT 300)
    endforeach()
endfunction()

# The version and licence as C++ constants, for the targets that show them.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/generated/radioprog/version.h @ONLY)
add_library(radioprog_version INTERFACE)
target_include_directories(radioprog_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
