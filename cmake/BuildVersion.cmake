# Writes the source that names the version of this build: the project's
# version, followed by `git describe` of the source tree when it is a git
# checkout of its own (a tarball unpacked inside another repository is not
# described by that repository). Without git, or without .git, the project's
# version alone; nothing here fails the build. The file is rewritten only
# when its text changes, so an unchanged commit rebuilds nothing.
# Usage: cmake -DSOURCE_DIR=... -DOUTPUT=BuildVersion.cpp -DVERSION=1.2.3
#              [-DGIT_EXECUTABLE=/usr/bin/git] -P BuildVersion.cmake
cmake_minimum_required(VERSION 3.25)

set(version "${VERSION}")
if(GIT_EXECUTABLE AND EXISTS "${SOURCE_DIR}/.git")
    execute_process(
        COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" describe --tags --always --dirty
        RESULT_VARIABLE result
        OUTPUT_VARIABLE described
        ERROR_QUIET
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(result STREQUAL "0" AND described MATCHES "^[A-Za-z0-9._+-]+$")
        set(version "${VERSION} (${described})")
    endif()
endif()

file(WRITE "${OUTPUT}.tmp" "// Generated at build time by cmake/BuildVersion.cmake.
#include \"base/BuildVersion.h\"

std::string buildVersion()
{
    return \"${version}\";
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
