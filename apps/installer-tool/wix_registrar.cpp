#include "apps/installer-tool/wix_registrar.h"

#include <cstdio>

namespace kit::installer {

namespace {

// Proxies of the system's automation marshaller, as RegisterTypeLib names them.
constexpr const char* kDispatchProxy = "{00020420-0000-0000-C000-000000000046}";
constexpr const char* kTypeLibProxy = "{00020424-0000-0000-C000-000000000046}";
constexpr std::uint16_t kLibFlagHasDiskImage = 0x8;
const char* const kSyskinds[] = {"win16", "win32", "mac", "win64"};

std::string Hex(unsigned long n) {
  char text[16];
  std::snprintf(text, sizeof text, "%lx", n);
  return text;
}

std::string Version(int major, int minor) {
  return Hex(static_cast<unsigned long>(major)) + "." + Hex(static_cast<unsigned long>(minor));
}

// Text taken as it is: brackets would be read as properties.
std::string Literal(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '[') {
      out += "[\\[]";
    } else if (c == ']') {
      out += "[\\]]";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Xml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

WixRegistrar::WixRegistrar(TypeLibInfo library, std::string module_path, std::string module_folder)
    : lib_(std::move(library)), module_path_(std::move(module_path)), module_folder_(std::move(module_folder)) {}

// A later write of the same value replaces the earlier one, as in the registry.
void WixRegistrar::Add(std::vector<Row>& to, Row row) {
  for (Row& r : to) {
    if (r.kind == row.kind && r.key == row.key && r.name == row.name) {
      r = std::move(row);
      return;
    }
  }
  to.push_back(std::move(row));
}

void WixRegistrar::AddWrites(const std::vector<RegistryWrite>& writes) {
  for (const RegistryWrite& w : writes) {
    if (w.key_only) {
      Add(rows_, {Row::kCreateKey, w.key, "", ""});
    } else {
      Add(rows_, {Row::kValue, w.key, w.name, w.value});
    }
  }
}

// What the system's RegisterTypeLib writes for the library in the module.
bool WixRegistrar::RegisterTypeLib() {
  const std::string key = "TypeLib\\" + lib_.libid + "\\" + Version(lib_.major, lib_.minor);
  const char* syskind = lib_.syskind >= 0 && lib_.syskind < 4 ? kSyskinds[lib_.syskind] : "win32";
  Add(rows_, {Row::kValue, key, "", Literal(lib_.doc.empty() ? lib_.name : lib_.doc)});
  Add(rows_, {Row::kValue, key + "\\" + Hex(lib_.lcid) + "\\" + syskind, "", module_path_});
  // The flags as the loader reports them for a library read from a file.
  Add(rows_, {Row::kValue, key + "\\FLAGS", "", std::to_string(lib_.flags | kLibFlagHasDiskImage)});
  Add(rows_, {Row::kValue, key + "\\HELPDIR", "", module_folder_});
  for (const TypeLibInterface& i : lib_.interfaces) {
    const std::string ikey = "Interface\\" + i.iid;
    const char* proxy = i.dual_or_custom ? kTypeLibProxy : kDispatchProxy;
    Add(rows_, {Row::kValue, ikey, "", Literal(i.name)});
    Add(rows_, {Row::kValue, ikey + "\\ProxyStubClsid", "", proxy});
    Add(rows_, {Row::kValue, ikey + "\\ProxyStubClsid32", "", proxy});
    Add(rows_, {Row::kValue, ikey + "\\TypeLib", "", lib_.libid});
    Add(rows_, {Row::kValue, ikey + "\\TypeLib", "Version", Version(lib_.major, lib_.minor)});
  }
  return true;
}

bool WixRegistrar::UnregisterTypeLib(const std::string& libid, int, int) {
  Add(rows_, {Row::kRemoveTree, "TypeLib\\" + libid, "", ""});
  if (libid == lib_.libid) {
    for (const TypeLibInterface& i : lib_.interfaces) Add(rows_, {Row::kRemoveTree, "Interface\\" + i.iid, "", ""});
  }
  return true;
}

bool WixRegistrar::RegisterControlClass(const ControlClassInfo& info) {
  ControlClassInfo literal = info;
  literal.type_name = Literal(info.type_name);
  AddWrites(ControlClassWrites(literal, module_path_));
  return true;
}

bool WixRegistrar::RegisterPageClass(const PageClassInfo& info) {
  PageClassInfo literal = info;
  literal.type_name = Literal(info.type_name);
  AddWrites(PageClassWrites(literal, module_path_));
  return true;
}

bool WixRegistrar::UnregisterClass(const std::string& clsid, const std::string& progid) {
  Add(rows_, {Row::kRemoveTree, "CLSID\\" + clsid, "", ""});
  if (!progid.empty()) Add(rows_, {Row::kRemoveTree, progid, "", ""});
  return true;
}

// The system's component categories manager keeps a description per locale.
HResult WixRegistrar::RegisterCategory(const std::string& catid, std::uint32_t lcid, const std::string& text) {
  Add(permanent_, {Row::kValue, "Component Categories\\" + catid, Hex(lcid), Literal(text)});
  return hr::Ok;
}

HResult WixRegistrar::MarkClassImplements(const std::string& clsid, const std::string& catid) {
  Add(rows_, {Row::kCreateKey, "CLSID\\" + clsid + "\\Implemented Categories\\" + catid, "", ""});
  return hr::Ok;
}

std::string WixRows(const std::vector<Row>& rows, const std::string& comment) {
  std::string out = "<!-- " + comment + " -->\n";
  for (const Row& r : rows) {
    out += "<RegistryValue Root=\"HKCR\" Key=\"" + Xml(r.key) + "\"";
    switch (r.kind) {
      case Row::kValue:
        if (!r.name.empty()) out += " Name=\"" + Xml(r.name) + "\"";
        out += " Type=\"string\" Value=\"" + Xml(r.value) + "\"";
        break;
      // Rows without a value, named by what they do to the key: "+"
      // creates it on install, "-" removes it with everything below on
      // uninstall.
      case Row::kCreateKey: out += " Name=\"+\" Type=\"expandable\""; break;
      case Row::kRemoveTree: out += " Name=\"-\" Type=\"expandable\""; break;
    }
    out += "/>\n";
  }
  return out;
}

}  // namespace kit::installer
