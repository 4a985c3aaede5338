#include "ports/com_registrar.h"

namespace kit {

namespace {

void AddServer(std::vector<RegistryWrite>& w, const std::string& clsid_key, const std::string& module_path,
               bool apartment) {
  w.push_back({clsid_key + "\\InprocServer32", "", module_path});
  if (apartment) w.push_back({clsid_key + "\\InprocServer32", "ThreadingModel", "Apartment"});
}

void AddProgId(std::vector<RegistryWrite>& w, const std::string& clsid_key, const std::string& clsid,
               const std::string& progid, const std::string& type_name) {
  if (progid.empty()) return;
  w.push_back({progid, "", type_name});
  w.push_back({progid + "\\CLSID", "", clsid});
  w.push_back({clsid_key + "\\ProgID", "", progid});
}

}  // namespace

std::vector<RegistryWrite> ControlClassWrites(const ControlClassInfo& c, const std::string& module_path) {
  const std::string key = "CLSID\\" + c.clsid;
  std::vector<RegistryWrite> w;
  w.push_back({key, "", c.type_name});
  AddServer(w, key, module_path, c.apartment_threading);
  AddProgId(w, key, c.clsid, c.progid, c.type_name);
  w.push_back({key + "\\Control", "", "", true});
  w.push_back({key + "\\MiscStatus", "", "0"});
  w.push_back({key + "\\MiscStatus\\1", "", std::to_string(c.misc_status)});
  w.push_back({key + "\\ToolboxBitmap32", "", module_path + ", " + std::to_string(c.toolbox_bitmap)});
  w.push_back({key + "\\TypeLib", "", c.libid});
  w.push_back({key + "\\Version", "", std::to_string(c.lib_major) + "." + std::to_string(c.lib_minor)});
  return w;
}

std::vector<RegistryWrite> PageClassWrites(const PageClassInfo& p, const std::string& module_path) {
  const std::string key = "CLSID\\" + p.clsid;
  std::vector<RegistryWrite> w;
  w.push_back({key, "", p.type_name});
  AddServer(w, key, module_path, true);
  AddProgId(w, key, p.clsid, p.progid, p.type_name);
  return w;
}

}  // namespace kit
