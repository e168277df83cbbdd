# Writes a C++ source that defines one char array holding a text file.
# Usage: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P EmbedText.cmake
file(READ "${INPUT}" content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
file(WRITE "${OUTPUT}.tmp" "extern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = {${bytes} 0};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
