// mIntelJPEGLibrary: writes a cDIBSection as a JPEG file.
#pragma once
#include <cstdint>
#include <string>

#include "ports/files.h"
#include "ports/jpeg.h"
#include "sigpad/dib_section.h"

namespace kit::sigpad {

struct JpegSaver {
  IFileSystem& files;
  IJpegWriter& writer;
  std::string exe_name;  // the component's executable name, for error sources
  IFileStamps* stamps = nullptr;  // keeps an overwritten file's times when given
};

// True when the file was written. A file it replaces lends the new one its
// times and attributes. Failures of the encoder raise RaisedError
// 26001; a file that exists and cannot be deleted raises FileError before
// anything is written.
bool SaveJPG(const JpegSaver& saver, const cDIBSection& dib, const std::string& fileName, std::int32_t lQuality);

}  // namespace kit::sigpad
