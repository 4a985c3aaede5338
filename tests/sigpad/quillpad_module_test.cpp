#include "sigpad/quillpad_module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sigpad/quillpad_ctrl.h"

namespace kit::sigpad {
namespace {

using ::testing::ElementsAre;

class RecordingRegistrar : public IComRegistrar {
 public:
  std::vector<std::string> calls;
  bool typelib_ok = true, class_ok = true, unreg_typelib_ok = true, unreg_class_ok = true;
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
    calls.push_back("page " + info.clsid);
    return true;
  }
  bool UnregisterClass(const std::string& clsid, const std::string& progid) override {
    calls.push_back("unclass " + clsid + " " + progid);
    return unreg_class_ok;
  }
  HResult RegisterCategory(const std::string& catid, std::uint32_t, const std::string&) override {
    calls.push_back("category " + catid);
    return hr::Ok;
  }
  HResult MarkClassImplements(const std::string&, const std::string& catid) override {
    calls.push_back("mark " + catid);
    return hr::Ok;
  }
};

const std::string kCtl = kQuillpadClsid;

TEST(QuillpadModule, RegistersTheTypeLibraryThenTheControlClass) {
  RecordingRegistrar r;
  EXPECT_EQ(RegisterQuillpadServer(r), hr::Ok);
  EXPECT_THAT(r.calls, ElementsAre("typelib", "control " + kCtl + " Quillpad.UCQuillpad"));
  EXPECT_EQ(r.control.libid, kQuillpadLibId);
  EXPECT_EQ(r.control.lib_major, 1);
  EXPECT_EQ(r.control.lib_minor, 0);
  EXPECT_TRUE(r.control.apartment_threading);
  EXPECT_EQ(r.control.toolbox_bitmap, 1);
  EXPECT_EQ(r.control.misc_status, kQuillpadMiscStatus);
}

TEST(QuillpadModule, FailuresReturnTheirSelfRegistrationCodes) {
  const struct {
    bool typelib, cls, untypelib, unclass;
    HResult reg, unreg;
  } cases[] = {
      {false, true, true, true, hr::SelfRegTypeLib, hr::Ok},
      {true, false, true, true, hr::SelfRegClass, hr::Ok},
      {true, true, false, true, hr::Ok, hr::SelfRegTypeLib},
      {true, true, true, false, hr::Ok, hr::SelfRegClass},
  };
  for (const auto& c : cases) {
    RecordingRegistrar r;
    r.typelib_ok = c.typelib;
    r.class_ok = c.cls;
    r.unreg_typelib_ok = c.untypelib;
    r.unreg_class_ok = c.unclass;
    EXPECT_EQ(RegisterQuillpadServer(r), c.reg);
    // A failed type library leaves the class alone.
    if (!c.typelib) {
      EXPECT_THAT(r.calls, ElementsAre("typelib"));
    }
    r.calls.clear();
    EXPECT_EQ(UnregisterQuillpadServer(r), c.unreg);
    if (!c.untypelib) {
      EXPECT_THAT(r.calls, ElementsAre("untypelib " + std::string(kQuillpadLibId) + " 1.0"));
    } else {
      EXPECT_THAT(r.calls, ElementsAre("untypelib " + std::string(kQuillpadLibId) + " 1.0",
                                       "unclass " + kCtl + " Quillpad.UCQuillpad"));
    }
  }
}

}  // namespace
}  // namespace kit::sigpad
