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

// True when the file was written. The picture is encoded first and written
// beside the file as fileName + ".part", which takes its place once
// complete; a file it replaces lends the new one its times and attributes. A
// DIB without pixels and failures of the encoder or of the write raise
// RaisedError 26001 without touching the old file; an old file that cannot
// be deleted raises FileError and stays as it was.
bool SaveJPG(const JpegSaver& saver, const cDIBSection& dib, const std::string& fileName, std::int32_t lQuality);

}  // namespace kit::sigpad
