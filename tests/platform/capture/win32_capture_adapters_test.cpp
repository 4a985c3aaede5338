#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "exchange/word_access.h"
#include "platform/win32/capture/win32_capture.h"
#include "ports/platform.h"
#include "remark/page_capture.h"
#include "tests/platform/capture/process_wait.h"
#include "tests/remark/fakes.h"

namespace kit {
namespace {

using automation::AutomationError;
using automation::CDispatchDriver;
using automation::Variant;
using automation::VarType;
using testing::Description;

remark::CapturePorts Ports(IClipboard& cb) {
  remark::CapturePorts p = remark::DefaultCapturePorts();
  p.clipboard = &cb;
  p.metafiles = DefaultPlatform().metafiles;
  p.screen = DefaultPlatform().screen;
  p.codepage = DefaultPlatform().codepage;
  return p;
}

TEST(Win32ClipboardTest, MetafileAndBitmapPictures) {
  win32::Win32Clipboard cb;
  remark::CapturePorts ports = Ports(cb);
  auto bits = MakeEmfBits({0, 0, 21000, 29700}, u"Word page");
  ASSERT_TRUE(cb.Open());
  ASSERT_TRUE(cb.Empty());
  ASSERT_TRUE(cb.SetMetafile(bits));
  cb.Close();
  auto pic = remark::ClipboardPicture(ports);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(Description(*pic), "Word page");
  EXPECT_EQ(pic->Header().rclFrame.bottom, 29700);

  ClipboardBitmap b;
  b.width = 6;
  b.height = 4;
  b.pixels.assign(24, 0x00336699u);
  ASSERT_TRUE(cb.Open());
  ASSERT_TRUE(cb.Empty());
  ASSERT_TRUE(cb.SetBitmap(b));
  cb.Close();
  auto fromBitmap = remark::ClipboardPicture(ports);
  ASSERT_NE(fromBitmap, nullptr);
  EXPECT_EQ(Description(*fromBitmap), "WPSFile");
  EXPECT_EQ(fromBitmap->Header().nRecords, 3u);

  ASSERT_TRUE(cb.Open());
  cb.Empty();
  cb.Close();
  EXPECT_EQ(remark::ClipboardPicture(ports), nullptr);
}

TEST(ComAutomationTest, InvokesARealServerByDispid) {
  win32::ComApartment com;
  ASSERT_TRUE(com.ok());
  win32::ComAutomation automation;
  automation::Obtained got = automation.Create("Scripting.Dictionary");
  if (got.hr < 0) GTEST_SKIP() << "no dictionary server here";
  CDispatchDriver dict(got.object);
  const std::string key = DefaultPlatform().codepage->FromUtf8("修订");
  dict.Call(1, {Variant::Str(key), Variant::I2(5)});  // Add
  EXPECT_EQ(dict.GetLong(2), 1);                       // Count
  Variant item = dict.Get(0, {Variant::Str(key)});
  EXPECT_EQ(automation::Coerce(item, VarType::I4).AsI4(), 5);
  EXPECT_EQ(dict.Call(3, {Variant::Str(key)}), Variant::Bool(true));  // Exists
  EXPECT_EQ(dict.Call(3, {Variant::Str("x")}), Variant::Bool(false));
  dict.InvokeHelper(0, automation::InvokeKind::PropertyPut, {Variant::Str(key), Variant::Str("v")});
  EXPECT_EQ(dict.GetString(0, {Variant::Str(key)}), "v");
  // The server's error comes out as an automation error.
  EXPECT_THROW(dict.Call(1, {Variant::Str(key), Variant::I4(1)}), AutomationError);
}

using kit::testing::PidsNamed;
using kit::testing::WaitFor;

TEST(Win32ProcessesTest, KillWordProEndsBothWordsAndNothingElse) {
  namespace fs = std::filesystem;
  // The sleeper is built next to this test, which runs in its own folder.
  const fs::path sleeper = fs::current_path() / KIT_SLEEPER_EXE;
  ASSERT_TRUE(fs::exists(sleeper)) << sleeper.string();
  const fs::path dir = fs::temp_directory_path() / "kit_procs";
  fs::create_directories(dir);
  const fs::path word = dir / "WINWORD.EXE";
  const fs::path other = dir / "WINWORDX.EXE";
  fs::copy_file(sleeper, word, fs::copy_options::overwrite_existing);
  fs::copy_file(sleeper, other, fs::copy_options::overwrite_existing);
  for (const fs::path& p : {word, word, other}) {
    const std::string cmd = "start \"\" /b \"" + p.string() + "\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  win32::Win32Processes procs;
  ASSERT_TRUE(WaitFor([&] { return PidsNamed(procs, "WINWORD.EXE").size() == 2 && PidsNamed(procs, "WINWORDX.EXE").size() == 1; }));
  EXPECT_TRUE(exchange::IsHaveWordPro(procs, "WINWORD.EXE"));
  EXPECT_FALSE(exchange::IsHaveWordPro(procs, "winword.exe"));
  EXPECT_EQ(exchange::KillWordPro(procs, "WINWORD.EXE"), 0);
  EXPECT_TRUE(WaitFor([&] { return PidsNamed(procs, "WINWORD.EXE").empty(); }));
  auto kept = PidsNamed(procs, "WINWORDX.EXE");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(procs.Terminate(kept[0], 0));
  EXPECT_TRUE(WaitFor([&] { return PidsNamed(procs, "WINWORDX.EXE").empty(); }));
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace kit
