// Text in the installer database's code page. wixl stores only ASCII
// strings correctly, so the WiX source is escaped to ASCII before wixl runs
// and the finished database is given its code page and decoded afterwards,
// through the same Windows Installer library wixl writes with.
#pragma once
#include <stdexcept>
#include <string>

namespace kit::installer {

struct MsiError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Every run of non-ASCII bytes becomes "~U<hex of its UTF-8 bytes>~".
// Throws MsiError when the text already holds that mark.
std::string EscapeNonAscii(const std::string& text);
// The reverse; text without marks comes back unchanged.
std::string UnescapeNonAscii(const std::string& text);

// Sets the database's code page and decodes the marks in every table and in
// the summary information (whose strings go into the code page itself).
void DecodeDatabase(const std::string& msi_path, int codepage);

// Gives `component` the condition wixl cannot write: the component is
// installed only where `condition` holds when the package is installed.
// Throws MsiError when the package has no such component.
void SetComponentCondition(const std::string& msi_path, const std::string& component, const std::string& condition);

}  // namespace kit::installer
