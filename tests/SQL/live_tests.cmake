# Tests of the live-server modules of SQL/. Included by tests/SQL/CMakeLists.txt.
mg_test(live_view_test ${CMAKE_CURRENT_LIST_DIR}/live_view_test.cpp LIBS sql)
mg_test(live_db_test ${CMAKE_CURRENT_LIST_DIR}/live_db_test.cpp LIBS sql SERVER)
mg_test(live_recs_test ${CMAKE_CURRENT_LIST_DIR}/live_recs_test.cpp LIBS sql SERVER)
mg_test(live_tab_test ${CMAKE_CURRENT_LIST_DIR}/live_tab_test.cpp LIBS sql SERVER)
mg_test(live_finder_test ${CMAKE_CURRENT_LIST_DIR}/live_finder_test.cpp LIBS sql SERVER)
