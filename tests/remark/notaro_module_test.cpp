#include "remark/notaro_module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kit::remark {
namespace {

using ::testing::ElementsAre;

class RecordingRegistrar : public IComRegistrar {
 public:
  std::vector<std::string> calls;
  bool typelib_ok = true, class_ok = true, page_ok = true, unreg_typelib_ok = true;
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
    return true;
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

const std::string kCtl = kNotaroClsid;
const std::string kPage = kNotaroPageClsid;
const std::string kScript = kCatIdSafeForScripting;
const std::string kInit = kCatIdSafeForInitializing;

TEST(NotaroModule, RegistersTypeLibraryControlCategoriesThenPage) {
  RecordingRegistrar r;
  EXPECT_EQ(RegisterNotaroServer(r), hr::Ok);
  EXPECT_THAT(r.calls,
              ElementsAre("typelib", "control " + kCtl + " Notaro.NotaroCtrl.1",
                          "category " + kScript + " 1033 Controls that are safely scriptable",
                          "mark " + kCtl + " " + kScript,
                          "category " + kInit + " 1033 Controls safely initializable from persistent data",
                          "mark " + kCtl + " " + kInit,
                          "page " + kPage + " REMARK.RemarkPropPage.1 Notaro Property Page"));
  EXPECT_EQ(r.control.misc_status, 0x20191u);
  EXPECT_TRUE(r.control.apartment_threading);
  EXPECT_EQ(r.control.toolbox_bitmap, 1);
  EXPECT_EQ(r.control.libid, kNotaroLibId);
  EXPECT_EQ(r.control.lib_major, 1);
  EXPECT_EQ(r.control.lib_minor, 0);
}

TEST(NotaroModule, FailuresStopLaterStepsWithTheirCodes) {
  RecordingRegistrar lib;
  lib.typelib_ok = false;
  EXPECT_EQ(RegisterNotaroServer(lib), static_cast<HResult>(0x80040200u));
  EXPECT_THAT(lib.calls, ElementsAre("typelib"));

  RecordingRegistrar cls;
  cls.class_ok = false;
  EXPECT_EQ(RegisterNotaroServer(cls), static_cast<HResult>(0x80040201u));
  EXPECT_EQ(cls.calls.size(), 2u);

  RecordingRegistrar page;
  page.page_ok = false;
  EXPECT_EQ(RegisterNotaroServer(page), static_cast<HResult>(0x80040201u));

  // A category that cannot be registered is not marked, and is no failure.
  RecordingRegistrar cat;
  cat.category_result = hr::Fail;
  EXPECT_EQ(RegisterNotaroServer(cat), hr::Ok);
  for (const std::string& c : cat.calls) EXPECT_EQ(c.rfind("mark", 0), std::string::npos) << c;

  RecordingRegistrar un;
  EXPECT_EQ(UnregisterNotaroServer(un), hr::Ok);
  EXPECT_THAT(un.calls, ElementsAre("untypelib " + std::string(kNotaroLibId) + " 1.0",
                                    "unclass " + kCtl + " Notaro.NotaroCtrl.1",
                                    "unclass " + kPage + " REMARK.RemarkPropPage.1"));
  RecordingRegistrar unlib;
  unlib.unreg_typelib_ok = false;
  EXPECT_EQ(UnregisterNotaroServer(unlib), static_cast<HResult>(0x80040200u));
  EXPECT_EQ(unlib.calls.size(), 1u);
}

TEST(NotaroModule, CategoryTextIsCutTo127Characters) {
  EXPECT_EQ(CutCategoryText(std::string(127, 'a')), std::string(127, 'a'));
  EXPECT_EQ(CutCategoryText(std::string(200, 'a')), std::string(127, 'a'));
  std::string han;
  for (int i = 0; i < 130; ++i) han += "\xE6\x89\xB9";  // three bytes each
  std::string cut = CutCategoryText(han);
  EXPECT_EQ(cut.size(), 127u * 3);
  EXPECT_EQ(cut, han.substr(0, 127 * 3));
}

}  // namespace
}  // namespace kit::remark
