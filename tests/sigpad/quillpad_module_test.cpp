#include "sigpad/quillpad_module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sigpad/quillpad_ctrl.h"
#include "tests/common/recording_registrar.h"

namespace kit::sigpad {
namespace {

using ::testing::ElementsAre;

using ::kit::testing::RecordingRegistrar;

const std::string kCtl = kQuillpadClsid;

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
