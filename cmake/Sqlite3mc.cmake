# The one SQLite of every calldesk program: the SQLite3 Multiple Ciphers
# amalgamation, built here with the AES-128 cipher as its default codec.
#
# Debian's POCO SQLite connector is linked against the system libsqlite3.
# The programs export our sqlite3_* symbols (a dynamic list), so the dynamic
# linker binds POCO's imports to this build and every connection in the
# process runs on the same library with the codec.

set(CALLDESK_CACHE_DIR "${PROJECT_SOURCE_DIR}/.cache" CACHE PATH
    "Folder holding the pinned SQLite3 Multiple Ciphers tarball")

set(_sqlite_tarball "${CALLDESK_CACHE_DIR}/better-sqlite3-multiple-ciphers-12.11.1.tgz")
set(_sqlite_sha512
    "a46ef6fb7564522a67998c782f042aa0e5cd1b6089d479660eb96faa0afbc501e0b04f9ccf9ac064489a2479d42931da19f1a27e0800fc2d12bfda99954adfa3")

if(NOT EXISTS "${_sqlite_tarball}")
    message(FATAL_ERROR
        "The SQLite amalgamation tarball is missing: ${_sqlite_tarball}\n"
        "Run scripts/install-deps (or scripts/fetch-sqlite) first; the build downloads nothing.")
endif()
file(SHA512 "${_sqlite_tarball}" _sqlite_actual)
if(NOT _sqlite_actual STREQUAL _sqlite_sha512)
    message(FATAL_ERROR
        "The SQLite amalgamation tarball does not match its pinned integrity:\n"
        "  ${_sqlite_tarball}\n  expected sha512 ${_sqlite_sha512}\n  found    ${_sqlite_actual}\n"
        "Delete it and run scripts/fetch-sqlite again.")
endif()

set(_sqlite_dir "${CMAKE_BINARY_DIR}/third_party/sqlite3mc")
set(_sqlite_stamp "${_sqlite_dir}/${_sqlite_actual}.stamp")
if(NOT EXISTS "${_sqlite_stamp}")
    file(REMOVE_RECURSE "${_sqlite_dir}")
    file(ARCHIVE_EXTRACT INPUT "${_sqlite_tarball}" DESTINATION "${_sqlite_dir}"
        PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
    file(TOUCH "${_sqlite_stamp}")
endif()
set(CALLDESK_SQLITE_SOURCE_DIR "${_sqlite_dir}/package/deps/sqlite3")

add_library(sqlite3mc STATIC "${CALLDESK_SQLITE_SOURCE_DIR}/sqlite3.c")
# Third-party code: none of our warning flags, no sanitizers.
set_target_properties(sqlite3mc PROPERTIES
    C_STANDARD 11
    POSITION_INDEPENDENT_CODE ON)
target_compile_options(sqlite3mc PRIVATE -w)
if(CALLDESK_FUZZ)
    # Coverage inside SQLite is what lets the fuzzer explore damaged files.
    target_compile_options(sqlite3mc PRIVATE ${CALLDESK_SANITIZER_FLAGS})
endif()
target_compile_definitions(sqlite3mc PUBLIC
    SQLITE_THREADSAFE=1
    CODEC_TYPE=CODEC_TYPE_AES128
    SQLITE_USE_URI=1
    SQLITE_ENABLE_COLUMN_METADATA
    # Backups carry a digest of their decrypted pages, read through sqlite_dbpage.
    SQLITE_ENABLE_DBPAGE_VTAB
    SQLITE_DEFAULT_FOREIGN_KEYS=0)
# Our sqlite3.h must win over /usr/include/sqlite3.h everywhere.
target_include_directories(sqlite3mc BEFORE PUBLIC "${CALLDESK_SQLITE_SOURCE_DIR}")
find_package(Threads REQUIRED)
target_link_libraries(sqlite3mc PUBLIC Threads::Threads ${CMAKE_DL_LIBS} m)

# Every program that links the data layer carries the whole amalgamation and
# exports its entry points, whether or not it calls SQLite itself.
add_library(calldesk_sqlite INTERFACE)
target_link_libraries(calldesk_sqlite INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,sqlite3mc>")
target_link_options(calldesk_sqlite INTERFACE
    "LINKER:--dynamic-list=${PROJECT_SOURCE_DIR}/cmake/sqlite-exports.list")
target_include_directories(calldesk_sqlite BEFORE INTERFACE "${CALLDESK_SQLITE_SOURCE_DIR}")
target_compile_definitions(calldesk_sqlite INTERFACE SQLITE_THREADSAFE=1 CODEC_TYPE=CODEC_TYPE_AES128)
