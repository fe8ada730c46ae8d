# Under Wine every test shares one private prefix inside the build tree; it is created once
# up front, because Wine's lazy first-run set-up breaks when tests start in parallel.
if(CMAKE_CROSSCOMPILING)
    set(QUILLON_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    add_test(NAME wine_prefix_init
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-exec ${QUILLON_WINEPREFIX} --init)
    add_test(NAME wine_prefix_stop
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-exec ${QUILLON_WINEPREFIX} --stop)
    set_tests_properties(wine_prefix_init PROPERTIES FIXTURES_SETUP wine TIMEOUT 1200)
    set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# quillon_add_test(name sources... [LIBS libs...] [GUI])
# A GoogleTest program run by ctest; in the cross build it runs under Wine, and GUI tests
# are kept serial because they share one display.
function(quillon_add_test name)
    cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    if(CMAKE_CROSSCOMPILING)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
    endif()
    if(ARG_GUI)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display TIMEOUT 300)
    endif()
endfunction()
