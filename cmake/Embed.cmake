# cmake -DIN=FILE -DOUT=SOURCE -DNAME=NAME -P Embed.cmake: writes SOURCE, a C++ source that
# defines kznhost::page::NAME (the bytes of FILE) and NAME##Size. The page's files go into kznhost
# as bytes, untouched by the compiler's execution character set.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUT}" "#include <cstddef>\nnamespace kznhost::page {\n"
     "extern const unsigned char ${NAME}[] = {${bytes}0};\n"
     "extern const std::size_t ${NAME}Size = ${size};\n}  // namespace kznhost::page\n")
