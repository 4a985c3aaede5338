// What a compiled type library (the MSFT format widl writes and the controls
// carry as resource TYPELIB 1) tells the system's RegisterTypeLib: the
// library's identity and the interfaces it records under Interface.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kit::installer {

struct TypeLibInterface {
  std::string iid;   // registry form
  std::string name;
  bool dual_or_custom = false;  // marshalled by the type library, not as a plain dispatch interface
};

struct TypeLibInfo {
  std::string libid;
  int major = 0, minor = 0;
  std::uint32_t lcid = 0;
  int syskind = 0;
  std::uint16_t flags = 0;
  std::string name;
  std::string doc;  // the library's help string, empty when it has none
  // Dispatch interfaces (dual ones among them) and OLE-automation
  // interfaces, in the library's order: the ones registration records.
  std::vector<TypeLibInterface> interfaces;
};

struct TypeLibError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Throws TypeLibError for anything that is not a well-formed MSFT library.
TypeLibInfo ReadTypeLibrary(const std::vector<unsigned char>& bytes);

}  // namespace kit::installer
