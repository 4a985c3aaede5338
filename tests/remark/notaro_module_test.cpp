#include "remark/notaro_module.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/common/recording_registrar.h"

namespace kit::remark {
namespace {

using ::kit::testing::RecordingRegistrar;

TEST(NotaroModule, FailuresStopLaterStepsWithTheirCodes) {
  const struct {
    const char* what;
    bool typelib, cls, page, untypelib, unclass;
    HResult reg, unreg;
    std::size_t reg_calls, unreg_calls;
  } cases[] = {
      {"typelib", false, true, true, true, true, hr::SelfRegTypeLib, hr::Ok, 1, 3},
      {"class", true, false, true, true, true, hr::SelfRegClass, hr::Ok, 2, 3},
      {"page", true, true, false, true, true, hr::SelfRegClass, hr::Ok, 7, 3},
      {"untypelib", true, true, true, false, true, hr::Ok, hr::SelfRegTypeLib, 7, 1},
      // A class that will not go still lets the other one go.
      {"unclass", true, true, true, true, false, hr::Ok, hr::SelfRegClass, 7, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingRegistrar r;
    r.typelib_ok = c.typelib;
    r.class_ok = c.cls;
    r.page_ok = c.page;
    r.unreg_typelib_ok = c.untypelib;
    r.unreg_class_ok = c.unclass;
    EXPECT_EQ(RegisterNotaroServer(r), c.reg);
    EXPECT_EQ(r.calls.size(), c.reg_calls);
    r.calls.clear();
    EXPECT_EQ(UnregisterNotaroServer(r), c.unreg);
    EXPECT_EQ(r.calls.size(), c.unreg_calls);
  }

  // A category that cannot be registered is not marked, and is no failure.
  RecordingRegistrar cat;
  cat.category_result = hr::Fail;
  EXPECT_EQ(RegisterNotaroServer(cat), hr::Ok);
  for (const std::string& c : cat.calls) EXPECT_EQ(c.rfind("mark", 0), std::string::npos) << c;
}

TEST(NotaroModule, CategoryTextIsCutTo127Characters) {
  EXPECT_EQ(CutCategoryText(std::string(127, 'a')), std::string(127, 'a'));
  EXPECT_EQ(CutCategoryText(std::string(200, 'a')), std::string(127, 'a'));
  std::string han;
  for (int i = 0; i < 130; ++i) han += "\xE6\x89\xB9";  // three bytes each
  EXPECT_EQ(CutCategoryText(han), han.substr(0, 127 * 3));
}

}  // namespace
}  // namespace kit::remark
