# Fails when a translation misses a text of the sources, or holds one they no longer have:
# lupdate run over a copy must find every message translated and change nothing.
# Usage: cmake -DLUPDATE=... -DSOURCES_LIST=translatable.lst -DTS=pagetally_de.ts -DSCRATCH=dir -P check-translations.cmake
get_filename_component(name "${TS}" NAME)
set(copy "${SCRATCH}/${name}")
file(MAKE_DIRECTORY "${SCRATCH}")
file(COPY_FILE "${TS}" "${copy}")
execute_process(COMMAND "${LUPDATE}" -silent -locations none -no-obsolete "@${SOURCES_LIST}" -ts "${copy}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status})")
endif()
file(READ "${TS}" before)
file(READ "${copy}" after)
if(after MATCHES "type=\"unfinished\"")
    string(REGEX MATCHALL "<source>[^<]*</source>[^<]*(<comment>[^<]*</comment>)?[^<]*(<extracomment>[^<]*</extracomment>)?[^<]*<translation type=\"unfinished\"" missing "${after}")
    message(FATAL_ERROR "${name} lacks translations (run `ninja update_translations` and translate):\n${missing}")
endif()
if(NOT before STREQUAL after)
    message(FATAL_ERROR "${name} is not up to date with the sources; run `ninja update_translations`")
endif()
message(STATUS "${name}: complete and current")
