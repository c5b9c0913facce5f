# A German locale (decimal comma) built into the build folder, so that tests can run under
# it without touching the system's locales. Sets MG_DE_LOCALE_DIR.
if(NOT DEFINED MG_DE_LOCALE_DIR)
  set(_mg_locale_root ${CMAKE_BINARY_DIR}/locales)
  if(NOT EXISTS ${_mg_locale_root}/de_DE.UTF-8/LC_NUMERIC)
    find_program(MG_LOCALEDEF localedef REQUIRED)
    file(MAKE_DIRECTORY ${_mg_locale_root})
    execute_process(COMMAND ${MG_LOCALEDEF} -i de_DE -f UTF-8 ${_mg_locale_root}/de_DE.UTF-8
                    RESULT_VARIABLE _mg_rc OUTPUT_QUIET ERROR_VARIABLE _mg_err)
    if(NOT EXISTS ${_mg_locale_root}/de_DE.UTF-8/LC_NUMERIC)
      message(FATAL_ERROR "de_DE.UTF-8 could not be built (Debian package locales): ${_mg_err}")
    endif()
  endif()
  set(MG_DE_LOCALE_DIR ${_mg_locale_root})
endif()
