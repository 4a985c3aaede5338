// Records what a server's (un)registration asks of the registrar; each step can be told to fail.
#pragma once
#include <string>
#include <vector>

#include "ports/com_registrar.h"

namespace kit::testing {

class RecordingRegistrar : public IComRegistrar {
 public:
  std::vector<std::string> calls;
  bool typelib_ok = true, class_ok = true, page_ok = true, unreg_typelib_ok = true, unreg_class_ok = true;
  HResult category_result = hr::Ok;
  ControlClassInfo control;

  bool RegisterTypeLib() override {
    calls.push_back("typelib");
    return typelib_ok;
  }
  bool UnregisterTypeLib(const std::string& libid, int major, int minor) override {
    calls.push_back("untypelib " + libid + " " + std::to_string(major) + "." + std::to_string(minor));
    return unreg_typelib_ok;
  }
  bool RegisterControlClass(const ControlClassInfo& info) override {
    calls.push_back("control " + info.clsid + " " + info.progid);
    control = info;
    return class_ok;
  }
  bool RegisterPageClass(const PageClassInfo& info) override {
    calls.push_back("page " + info.clsid + " " + info.progid + " " + info.type_name);
    return page_ok;
  }
  bool UnregisterClass(const std::string& clsid, const std::string& progid) override {
    calls.push_back("unclass " + clsid + " " + progid);
    return unreg_class_ok;
  }
  HResult RegisterCategory(const std::string& catid, std::uint32_t lcid, const std::string& text) override {
    calls.push_back("category " + catid + " " + std::to_string(lcid) + " " + text);
    return category_result;
  }
  HResult MarkClassImplements(const std::string& clsid, const std::string& catid) override {
    calls.push_back("mark " + clsid + " " + catid);
    return hr::Ok;
  }
};

}  // namespace kit::testing
