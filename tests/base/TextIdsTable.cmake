# Runs cmake/TextIds.cmake on a small table whose texts hold the characters
# CMake treats as list syntax, and checks that every row, and only the rows,
# became a name.
# Usage: cmake -DSCRIPT=cmake/TextIds.cmake -DWORK=<folder> -P TextIdsTable.cmake
file(MAKE_DIRECTORY "${WORK}")
set(table "${WORK}/strings.tsv")
set(header "${WORK}/TextId.h")
file(WRITE "${table}" "id\tname\ten\tzh\n"
    "1\tFirst\tone; two\t一；二\n"
    "2\tSecond\topen [bracket\t[\n"
    "3\tThird\t3\tclose] here\n"
    "4\tFourth\tback\\\\slash\t四\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -DINPUT=${table} -DOUTPUT=${header} -P "${SCRIPT}"
    RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the table was refused: ${errors}")
endif()
file(READ "${header}" text)
foreach(row "First = 1" "Second = 2" "Third = 3" "Fourth = 4")
    string(FIND "${text}" "    ${row},\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "no enumerator ${row} in:\n${text}")
    endif()
endforeach()
string(REGEX MATCHALL "TextId::[A-Za-z]+" listed "${text}")
list(LENGTH listed count)
if(NOT count EQUAL 4)
    message(FATAL_ERROR "expected the four rows in AllTextIds, found ${count}: ${listed}")
endif()
