# Included with INPUT, OUTPUT and SYMBOL set: writes OUTPUT, a C++ source holding INPUT's bytes as SYMBOL.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Break the array into lines of 32 bytes so compilers and editors cope.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.new
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const unsigned int ${SYMBOL}Size;\n"
  "alignas(16) const unsigned char ${SYMBOL}[${size} + 1] = {\n${bytes}\n0};\n"
  "const unsigned int ${SYMBOL}Size = ${size};\n")
# Touch the output only when it changes, so builds stay incremental.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
