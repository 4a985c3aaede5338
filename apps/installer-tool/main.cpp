// installer-tool: the build's helper for the Windows Installer package.
//
//   installer-tool registry CONTROL TYPELIB MODULE_PATH MODULE_FOLDER ROWS PERMANENT
//     The registry rows of one control, made by running the control's own
//     DllRegisterServer and DllUnregisterServer logic against a registrar
//     that records rows instead of writing the registry. CONTROL is notaro
//     or quillpad, TYPELIB the .tlb its module carries, MODULE_PATH and
//     MODULE_FOLDER formatted text for where the package puts the module
//     ("[#NotaroOcx]") and its folder. ROWS gets the <RegistryValue>
//     elements of the module's component, PERMANENT those that stay behind
//     after unregistration.
//   installer-tool escape IN OUT
//     IN's non-ASCII text marked in ASCII, for wixl.
//   installer-tool codepage MSI CODEPAGE
//     Gives the package wixl made its code page and its marked text back.
//   installer-tool condition MSI COMPONENT CONDITION
//     Gives a component of the package the condition wixl cannot write.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "apps/installer-tool/msi_text.h"
#include "apps/installer-tool/wix_registrar.h"
#include "remark/notaro_module.h"
#include "sigpad/quillpad_module.h"

namespace {

using kit::installer::MsiError;
using kit::installer::TypeLibError;

struct Control {
  const char* name;
  kit::HResult (*reg)(kit::IComRegistrar&);
  kit::HResult (*unreg)(kit::IComRegistrar&);
};

const Control kControls[] = {
    {"notaro", kit::remark::RegisterNotaroServer, kit::remark::UnregisterNotaroServer},
    {"quillpad", kit::sigpad::RegisterQuillpadServer, kit::sigpad::UnregisterQuillpadServer},
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw MsiError("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) throw MsiError("cannot write " + path);
}

int Registry(char** a) {
  const std::string name = a[0];
  const Control* control = nullptr;
  for (const Control& c : kControls) {
    if (name == c.name) control = &c;
  }
  if (control == nullptr) throw MsiError("no control " + name);
  const std::string tlb = Read(a[1]);
  kit::installer::WixRegistrar registrar(
      kit::installer::ReadTypeLibrary(std::vector<unsigned char>(tlb.begin(), tlb.end())), a[2], a[3]);
  if (control->reg(registrar) != kit::hr::Ok || control->unreg(registrar) != kit::hr::Ok) {
    throw MsiError("the registration of " + name + " failed");
  }
  const std::string origin = "made by installer-tool from the registration of " + name;
  Write(a[4], kit::installer::WixRows(registrar.rows(), origin));
  Write(a[5], kit::installer::WixRows(registrar.permanent_rows(), origin));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "registry" && argc == 8) return Registry(argv + 2);
    if (command == "escape" && argc == 4) {
      Write(argv[3], kit::installer::EscapeNonAscii(Read(argv[2])));
      return 0;
    }
    if (command == "codepage" && argc == 4) {
      kit::installer::DecodeDatabase(argv[2], std::stoi(argv[3]));
      return 0;
    }
    if (command == "condition" && argc == 5) {
      kit::installer::SetComponentCondition(argv[2], argv[3], argv[4]);
      return 0;
    }
  } catch (const TypeLibError& e) {
    std::cerr << "installer-tool: type library: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "installer-tool: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: installer-tool registry CONTROL TYPELIB MODULE_PATH MODULE_FOLDER ROWS PERMANENT\n"
               "       installer-tool escape IN OUT\n"
               "       installer-tool codepage MSI CODEPAGE\n"
               "       installer-tool condition MSI COMPONENT CONDITION\n";
  return 2;
}
