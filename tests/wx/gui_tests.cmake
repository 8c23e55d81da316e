# GUI tests: the real main window under a private Xvfb that the test program starts itself.
file(GLOB KGUI_TEST_SRCS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
if(KGUI_TEST_SRCS)
  add_executable(test_wx ${KGUI_TEST_SRCS})
  target_link_libraries(test_wx PRIVATE kapp_wx ktest_support ktest_movies GTest::gtest)
  add_dependencies(test_wx kestrelle_data kestrelle_config kestrelle_catalogs)
  target_link_libraries(test_wx PRIVATE X11::X11 X11::Xtst)
  # Once on a bare X server, once under a window manager that places, stacks, focuses and
  # maximises windows as a user's desktop does.
  gtest_discover_tests(test_wx
    WORKING_DIRECTORY ${KESTRELLE_BIN_DIR}
    PROPERTIES LABELS gui TIMEOUT 120
    DISCOVERY_TIMEOUT 60)
  gtest_discover_tests(test_wx
    TEST_PREFIX "openbox."
    WORKING_DIRECTORY ${KESTRELLE_BIN_DIR}
    PROPERTIES LABELS gui TIMEOUT 120 ENVIRONMENT "KESTRELLE_TEST_WM=openbox"
    DISCOVERY_TIMEOUT 60)
endif()
