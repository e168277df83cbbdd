# Writes the header that names every text of the string table: one
# enumerator of TextId per row of resources/strings.tsv (columns id, name,
# English, Chinese), and the list of them all. A row without a valid name,
# or a name or id used twice, stops the build.
# Usage: cmake -DINPUT=strings.tsv -DOUTPUT=TextId.h -P TextIds.cmake
cmake_minimum_required(VERSION 3.25)
# Read whole and split by hand: file(STRINGS) returns a CMake list, which would
# cut a text holding a semicolon into rows of its own, and an unbalanced
# bracket in a text would join rows. Only ids and names are read here.
file(READ "${INPUT}" content)
string(REPLACE ";" "," content "${content}")
string(REPLACE "[" "(" content "${content}")
string(REPLACE "]" ")" content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
list(POP_FRONT lines)
set(enumerators "")
set(all "")
set(seen_ids "")
set(seen_names "")
foreach(line IN LISTS lines)
    if(line STREQUAL "")
        continue()
    endif()
    if(NOT line MATCHES "^([0-9]+)\t([A-Z][A-Za-z0-9]*)\t")
        string(SUBSTRING "${line}" 0 40 start)
        message(FATAL_ERROR "${INPUT}: a row needs a numeric id and a name in UpperCamelCase: ${start}")
    endif()
    set(id "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    if(id IN_LIST seen_ids OR name IN_LIST seen_names)
        message(FATAL_ERROR "${INPUT}: id ${id} or name ${name} is used twice")
    endif()
    list(APPEND seen_ids "${id}")
    list(APPEND seen_names "${name}")
    string(APPEND enumerators "    ${name} = ${id},\n")
    string(APPEND all "    TextId::${name},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from resources/strings.tsv at build time; edit the table, not this file.
#pragma once

// The texts of the string table by name.
enum class TextId : int
{
${enumerators}};

// Every text of the table, in table order.
inline constexpr TextId AllTextIds[] = {
${all}};
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
