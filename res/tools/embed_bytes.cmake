# cmake -DINPUT=file -DOUTPUT=file.cpp -P embed_bytes.cmake
# Writes the packed text archive as the byte array behind BuiltinTextArchive().
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    "
       bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from the texts under res/; do not edit.
#include \"text/builtin_text_archive.h\"

namespace tarnwell::text {
namespace {
const uint8_t kArchive[] = {
    ${bytes}};
}  // namespace

std::span<const uint8_t> BuiltinTextArchive() { return kArchive; }

}  // namespace tarnwell::text
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
