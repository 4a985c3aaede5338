// Notaro as the POSIX hosts offer it: every member of _DNotaro has its
// handler, reached through the dispatch interface by name and by number.
#include "apps/notaro-host/host_controls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "sim/ui/headless_ui.h"
#include "remark/notaro_ctrl.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::hosting {
namespace {

using automation::AutomationError;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::Variant;
using automation::VarType;

// Message boxes answered at once; the choosers cancel.
class NobodyAtTheDesk : public IDialogs {
 public:
  int MessageBox(std::uintptr_t, const std::string&, const std::string&, unsigned) override { return id::kOk; }
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }
};

// An argument of the declared type that leaves nothing behind: the text is
// no address a transfer can reach, no name a file may have and no process's.
Variant Harmless(VarType type) {
  switch (type) {
    case VarType::Bstr: return Variant::Str("kit-probe:|");
    case VarType::Bool: return Variant::Bool(false);
    case VarType::Dispatch: return Variant::Dispatch(nullptr);
    default: return Variant::I4(-1);
  }
}

TEST(HostControlsTest, EveryNotaroMemberAnswersByNameAndByNumber) {
  testing::TempKitRoot root;
  sim::HeadlessUi ui({});
  NobodyAtTheDesk nobody;
  std::FILE* status = std::tmpfile();
  ASSERT_NE(status, nullptr);
  HostControlPorts ports;
  ports.ui = &ui;
  ports.messages = &nobody;
  ports.choosers = &nobody;
  ports.status_out = status;
  HostControls controls(ports);
  ClassRegistry registry;
  controls.Register(registry);
  const auto notaro = registry.Create(remark::kNotaroProgId);

  const std::vector<MemberInfo>& members = notaro->Members().members();
  ASSERT_EQ(members.size(), static_cast<std::size_t>(remark::kNotaroMemberCount));
  for (const MemberInfo& m : members) {
    for (const bool byName : {true, false}) {
      SCOPED_TRACE(m.name + (byName ? " by name" : " by number"));
      auto invoke = [&](InvokeKind kind, const std::vector<Variant>& args) {
        return byName ? automation::InvokeByName(*notaro, m.name, kind, args) : notaro->Invoke(m.dispid, kind, args);
      };
      try {
        if (m.kind == MemberKind::Property) {
          invoke(InvokeKind::PropertyPut, {invoke(InvokeKind::PropertyGet, {})});
        } else {
          std::vector<Variant> args;
          for (const auto& p : m.params) args.push_back(Harmless(p.type));
          invoke(InvokeKind::Method, args);
        }
      } catch (const AutomationError& e) {
        // The member's own failure is an answer; "not available" is none.
        EXPECT_NE(e.code(), hr::NotImpl) << e.what();
        EXPECT_EQ(std::string(e.what()).find("not available"), std::string::npos) << e.what();
      } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).find("not available"), std::string::npos) << e.what();
      }
    }
  }
  std::fclose(status);
}

}  // namespace
}  // namespace kit::hosting
