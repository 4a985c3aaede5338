# cmake -DIN=notaro.js -DOUT=notaro_js.cpp -P embed.cmake
# The script pages load, as the bytes the bridge serves.
file(READ ${IN} _hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
file(WRITE ${OUT} "#include \"apps/notaro-bridge/notaro_js.h\"\n\nnamespace kit::bridge {\n\nconst char kNotaroJsBytes[] = {${_bytes} 0};\nconst std::string_view kNotaroJs(kNotaroJsBytes, sizeof kNotaroJsBytes - 1);\n\n}  // namespace kit::bridge\n")
