# Writes a C++ source holding a file's bytes, for data a program carries inside itself:
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DNAMESPACE=ns -DNAME=name -P EmbedFile.cmake
# defines `const unsigned char NAME[]` and `const std::size_t NAMESize` in NAMESPACE.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.new"
    "// Generated from ${INPUT} by cmake/EmbedFile.cmake; do not edit.\n"
    "#include <cstddef>\n\nnamespace ${NAMESPACE} {\n\n"
    "extern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME}Size;\n"
    "const unsigned char ${NAME}[] = {\n${bytes}};\n"
    "const std::size_t ${NAME}Size = ${size};\n\n}  // namespace ${NAMESPACE}\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
