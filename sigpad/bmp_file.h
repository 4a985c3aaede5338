// Windows bitmap files of a cDIBSection: 24 bits, uncompressed, no colour
// table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ports/files.h"
#include "sigpad/dib_section.h"

namespace kit::sigpad {

constexpr std::uint32_t kBmpHeadersSize = 14 + 40;

// The file's bytes: file header, the section's header, the rows as stored.
std::vector<std::uint8_t> BmpBytes(const cDIBSection& dib);
// Creates or truncates `path`; FileError from the files port passes through.
void WriteBmpFile(const cDIBSection& dib, IFileSystem& files, const std::string& path);

// Reads a 24-bit uncompressed bitmap (bottom-up or top-down) into `dib`,
// which ends up holding it bottom-up. False, with `dib` empty, for anything
// else or for sizes the bytes do not bear out.
bool ReadBmp(const std::uint8_t* data, std::size_t size, cDIBSection& dib);
bool ReadBmpFile(IFileSystem& files, const std::string& path, cDIBSection& dib);

}  // namespace kit::sigpad
