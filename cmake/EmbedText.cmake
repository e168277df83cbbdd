# Writes a C++ source that defines one char array holding a file (text or
# binary), followed by a NUL, and its size without that NUL.
# Usage: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P EmbedText.cmake
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
file(WRITE "${OUTPUT}.tmp" "#include <cstddef>\nextern const char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\nconst char ${SYMBOL}[] = {${bytes} 0};\nconst std::size_t ${SYMBOL}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
