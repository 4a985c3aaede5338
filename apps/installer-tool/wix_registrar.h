// A registrar that writes nothing: it records what a control's
// self-registration would write, and what its unregistration would remove,
// as Windows Installer registry rows (WiX <RegistryValue> elements).
#pragma once
#include <string>
#include <vector>

#include "apps/installer-tool/type_library.h"
#include "ports/com_registrar.h"

namespace kit::installer {

struct Row {
  enum Kind { kValue, kCreateKey, kRemoveTree };
  Kind kind = kValue;
  std::string key;    // below HKEY_CLASSES_ROOT, literal text
  std::string name;
  std::string value;  // Windows Installer formatted text
};

class WixRegistrar : public IComRegistrar {
 public:
  // module_path and module_folder are formatted text naming where the
  // installer puts the module ("[#FileId]") and its folder, without the
  // trailing backslash.
  WixRegistrar(TypeLibInfo library, std::string module_path, std::string module_folder);

  bool RegisterTypeLib() override;
  bool UnregisterTypeLib(const std::string& libid, int major, int minor) override;
  bool RegisterControlClass(const ControlClassInfo& info) override;
  bool RegisterPageClass(const PageClassInfo& info) override;
  bool UnregisterClass(const std::string& clsid, const std::string& progid) override;
  HResult RegisterCategory(const std::string& catid, std::uint32_t lcid, const std::string& text) override;
  HResult MarkClassImplements(const std::string& clsid, const std::string& catid) override;

  // Installed and removed with the module.
  const std::vector<Row>& rows() const { return rows_; }
  // What unregistration leaves behind: never removed.
  const std::vector<Row>& permanent_rows() const { return permanent_; }

 private:
  void Add(std::vector<Row>& to, Row row);
  void AddWrites(const std::vector<RegistryWrite>& writes);

  TypeLibInfo lib_;
  std::string module_path_, module_folder_;
  std::vector<Row> rows_, permanent_;
};

// The rows as WiX <RegistryValue> elements for a <Component>, UTF-8.
std::string WixRows(const std::vector<Row>& rows, const std::string& comment);

}  // namespace kit::installer
