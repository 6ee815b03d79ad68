# quillane_library(NAME SOURCES files... DEPS targets...)
# A static library whose headers are included from the source root
# ("platform/com/hresult.h").
function(quillane_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# quillane_test(NAME SOURCES files... DEPS targets...)
# One GoogleTest program; each test case becomes one CTest test. Tests run
# in the module folder so that resources/ sits beside them.
function(quillane_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} quillane_testkit GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
        QUILLANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
        QUILLANE_SHARED_CORPUS="${PROJECT_SOURCE_DIR}/../shared/corpus")
    add_dependencies(${name} quillane_resources)
    # Tests that do not set up folders of their own log, keep settings and
    # find their store under the build tree, never in the user's home.
    set(home ${CMAKE_BINARY_DIR}/test-home)
    gtest_discover_tests(${name} WORKING_DIRECTORY ${QUILLANE_BIN_DIR}
                         DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT
                         "XDG_STATE_HOME=${home}/state;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data")
endfunction()

# quillane_glob_library(NAME DEPS targets...)
# A library of every .cpp file in the calling folder; an empty folder makes an
# interface library so that dependents link before the sources exist.
function(quillane_glob_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        quillane_library(${name} SOURCES ${sources} DEPS ${ARG_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# quillane_glob_test(NAME DEPS targets...): one test program of every .cpp
# file in the calling folder.
function(quillane_glob_test name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        quillane_test(${name} SOURCES ${sources} DEPS ${ARG_DEPS})
    endif()
endfunction()

# Adds each listed subfolder that has a CMakeLists.txt.
macro(quillane_subdirs)
    foreach(dir ${ARGN})
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endmacro()

# quillane_glob_bench(NAME DEPS targets...): one Google Benchmark program of
# every .cpp file in the calling folder.
function(quillane_glob_bench name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_executable(${name} ${sources})
        target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark_main)
    endif()
endfunction()
