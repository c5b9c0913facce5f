# Live-server modules of the MySQL side: database, recordsets and records, table writer,
# view converter and foreign-key parser. Included by SQL/CMakeLists.txt.
set(SQL_LIVE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ci_wstring.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_view_converter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_fk_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_batch_exc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_rec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_limq.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_recs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_tab.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_db.cpp
)
