// installer-tool's pieces: the type library reader on the libraries the
// controls carry (compiled from their IDL by widl), malformed libraries,
// the ASCII marks for wixl, and what the recording registrar makes of a
// control's own registration.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "apps/installer-tool/msi_text.h"
#include "apps/installer-tool/type_library.h"
#include "apps/installer-tool/wix_registrar.h"
#include "remark/notaro_ctrl.h"
#include "remark/notaro_module.h"
#include "sigpad/quillpad_module.h"

namespace kit::installer {
namespace {

std::vector<unsigned char> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

constexpr std::uint16_t kLibFlagControl = 0x2;

// The libraries' identities are the ones the modules register under.
TEST(TypeLibrary, ReadsTheControlsLibrariesAsTheirModulesNameThem) {
  struct Case {
    const char* path;
    const char* libid;
    std::vector<TypeLibInterface> interfaces;
  } cases[] = {
      {KIT_NOTARO_TLB, remark::kNotaroLibId,
       {{remark::kNotaroDispIid, "_DNotaro", false}, {remark::kNotaroEventsIid, "_DNotaroEvents", false}}},
      {KIT_QUILLPAD_TLB, sigpad::kQuillpadLibId,
       {{sigpad::kQuillpadDispIid, "_UCQuillpad", true}, {sigpad::kQuillpadEventsIid, "__UCQuillpad", false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    TypeLibInfo lib = ReadTypeLibrary(ReadFile(c.path));
    EXPECT_EQ(lib.libid, c.libid);
    EXPECT_EQ(lib.major, 1);
    EXPECT_EQ(lib.minor, 0);
    EXPECT_EQ(lib.syskind, 1);  // win32
    EXPECT_TRUE(lib.flags & kLibFlagControl);
    ASSERT_EQ(lib.interfaces.size(), c.interfaces.size());
    for (std::size_t i = 0; i < c.interfaces.size(); ++i) {
      EXPECT_EQ(lib.interfaces[i].iid, c.interfaces[i].iid);
      EXPECT_EQ(lib.interfaces[i].name, c.interfaces[i].name);
      EXPECT_EQ(lib.interfaces[i].dual_or_custom, c.interfaces[i].dual_or_custom);
    }
  }
}

TEST(TypeLibrary, RefusesWhatIsNoLibraryInsteadOfReadingPastIt) {
  const std::vector<unsigned char> good = ReadFile(KIT_QUILLPAD_TLB);
  ASSERT_GT(good.size(), 0x200u);
  auto truncated = [&](std::size_t n) { return std::vector<unsigned char>(good.begin(), good.begin() + n); };
  auto patched = [&](std::size_t at, unsigned char b) {
    std::vector<unsigned char> v = good;
    for (std::size_t i = 0; i < 4; ++i) v[at + i] = b;
    return v;
  };
  const std::vector<unsigned char> bad[] = {
      {}, truncated(3), truncated(0x53), truncated(0x100), patched(0, 'X'),
      patched(0x20, 0x7F),  // a huge count of types
      patched(0x08, 0x7F),  // the library's GUID outside the GUID table
      patched(0x38, 0x7F),  // its name outside the name table
  };
  for (const auto& bytes : bad) {
    EXPECT_THROW(ReadTypeLibrary(bytes), TypeLibError) << bytes.size() << " bytes";
  }
}

TEST(MsiText, MarksNonAsciiRunsAndReadsThemBack) {
  const struct {
    std::string text, marked;
  } cases[] = {
      {"Notaro.ocx", "Notaro.ocx"},
      {"SOFTWARE\\\xE6\xBE\x84\xE5\xB2\x9A\\Notaro", "SOFTWARE\\~UE6BE84E5B29A~\\Notaro"},
      {"\xE7\xBA\xAF VPN", "~UE7BAAF~ VPN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeNonAscii(c.text), c.marked);
    EXPECT_EQ(UnescapeNonAscii(c.marked), c.text);
  }
  EXPECT_THROW(EscapeNonAscii("a ~U b"), MsiError);
  // Text that only looks like a mark stays as it is.
  for (const char* text : {"~U", "~UZZ~", "~UABC~", "x~U~y", "[~]"}) EXPECT_EQ(UnescapeNonAscii(text), text);
}

// Registering records rows with the module's place in them, unregistering
// the trees that go with the module; the categories are all that stays.
TEST(WixRegistrar, RecordsTheControlsOwnRegistration) {
  WixRegistrar r(ReadTypeLibrary(ReadFile(KIT_NOTARO_TLB)), "[#NotaroOcx]", "[KitFolder]");
  ASSERT_EQ(remark::RegisterNotaroServer(r), hr::Ok);
  ASSERT_EQ(remark::UnregisterNotaroServer(r), hr::Ok);
  auto has = [&](Row::Kind kind, const std::string& key, const std::string& value) {
    for (const Row& row : r.rows()) {
      if (row.kind == kind && row.key == key && row.value == value) return true;
    }
    return false;
  };
  const std::string clsid = std::string("CLSID\\") + remark::kNotaroClsid;
  EXPECT_TRUE(has(Row::kValue, clsid + "\\InprocServer32", "[#NotaroOcx]"));
  EXPECT_TRUE(has(Row::kValue, std::string("TypeLib\\") + remark::kNotaroLibId + "\\1.0\\HELPDIR", "[KitFolder]"));
  EXPECT_TRUE(has(Row::kCreateKey, clsid + "\\Implemented Categories\\" + remark::kCatIdSafeForScripting, ""));
  const std::string removed[] = {clsid, remark::kNotaroProgId, std::string("TypeLib\\") + remark::kNotaroLibId,
                                 std::string("Interface\\") + remark::kNotaroDispIid};
  for (const std::string& key : removed) {
    EXPECT_TRUE(has(Row::kRemoveTree, key, "")) << key;
  }
  ASSERT_EQ(r.permanent_rows().size(), 2u);
  for (const Row& row : r.permanent_rows()) {
    EXPECT_EQ(row.key.rfind("Component Categories\\", 0), 0u) << row.key;
    EXPECT_EQ(row.name, "409");
  }
  for (const Row& row : r.rows()) EXPECT_EQ(row.key.find("Component Categories"), std::string::npos);
}

TEST(WixRegistrar, KeepsBracketsInTextFromBeingReadAsProperties) {
  WixRegistrar r(ReadTypeLibrary(ReadFile(KIT_QUILLPAD_TLB)), "[#Q]", "[F]");
  ControlClassInfo info;
  info.clsid = "{00000000-0000-0000-0000-000000000001}";
  info.type_name = "Pad [test]";
  ASSERT_TRUE(r.RegisterControlClass(info));
  EXPECT_EQ(r.rows().front().value, "Pad [\\[]test[\\]]");
  EXPECT_NE(WixRows(r.rows(), "x").find("Value=\"[#Q], 0\""), std::string::npos);
}

}  // namespace
}  // namespace kit::installer
