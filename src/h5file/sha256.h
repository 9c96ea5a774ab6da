// SHA-256 (FIPS 180-4), to record which input files a run read. Written here to avoid a
// crypto library dependency for one checksum.
#pragma once

#include <string>
#include <string_view>

namespace ornaplex {

// Lower-case hexadecimal digest of bytes.
std::string sha256Hex(std::string_view bytes);

// Lower-case hexadecimal digest of a file's contents; InputError when it cannot be read.
std::string sha256File(const std::string& path);

}  // namespace ornaplex
