// What an in-process server's self-registration does to the system registry:
// type library, classes, component categories. GUIDs are in registry form
// ("{XXXXXXXX-...}"), text is UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/hresult.h"

namespace kit {

struct ControlClassInfo {
  std::string clsid;
  std::string progid;
  std::string type_name;
  int toolbox_bitmap = 0;  // resource id in the module
  bool apartment_threading = true;
  std::uint32_t misc_status = 0;
  std::string libid;
  int lib_major = 1, lib_minor = 0;
};

struct PageClassInfo {
  std::string clsid;
  std::string progid;
  std::string type_name;
};

// One step of a class's registration under HKEY_CLASSES_ROOT.
struct RegistryWrite {
  std::string key;
  std::string name;  // empty: the key's default value
  std::string value;
  bool key_only = false;  // the key itself, without a value
};

// What registering a class writes, in the order it is written, with the
// module at module_path. The Windows registrar writes these into the
// registry; the installer's table generator turns the same list into
// registry rows, so an installed kit and a self-registered one agree.
std::vector<RegistryWrite> ControlClassWrites(const ControlClassInfo& info, const std::string& module_path);
std::vector<RegistryWrite> PageClassWrites(const PageClassInfo& info, const std::string& module_path);

class IComRegistrar {
 public:
  virtual ~IComRegistrar() = default;
  // The type library in the module's resources.
  virtual bool RegisterTypeLib() = 0;
  virtual bool UnregisterTypeLib(const std::string& libid, int major, int minor) = 0;
  virtual bool RegisterControlClass(const ControlClassInfo& info) = 0;
  virtual bool RegisterPageClass(const PageClassInfo& info) = 0;
  // Removes the class's keys and its ProgID.
  virtual bool UnregisterClass(const std::string& clsid, const std::string& progid) = 0;
  virtual HResult RegisterCategory(const std::string& catid, std::uint32_t lcid,
                                   const std::string& description) = 0;
  virtual HResult MarkClassImplements(const std::string& clsid, const std::string& catid) = 0;
};

}  // namespace kit
