# Fails when the string table misses a text of the sources, or keeps one they no longer have:
# lupdate over the sources must leave a copy of the table as it is.
# -DLUPDATE=… -DTABLE=….ts -DWORK=<folder> -DSOURCES=<;-list> -DDIRS=<;-list> -DOPTIONS=<;-list>
file(MAKE_DIRECTORY ${WORK})
set(copy ${WORK}/table.ts)
configure_file(${TABLE} ${copy} COPYONLY)
set(includes)
foreach(dir ${DIRS})
    list(APPEND includes -I${dir})
endforeach()
execute_process(COMMAND ${LUPDATE} ${OPTIONS} -silent ${SOURCES} ${includes} -ts ${copy}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status})")
endif()
file(READ ${TABLE} before)
file(READ ${copy} after)
if(NOT before STREQUAL after)
    execute_process(COMMAND diff -u ${TABLE} ${copy})
    message(FATAL_ERROR "The string table is not current: run "
        "cmake --build <build folder> --target update_translations and commit ${TABLE}.")
endif()
