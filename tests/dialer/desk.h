// The dialer's main window on a simulated desktop of sim/, in a KIT_ROOT of
// its own: the ports the dialer uses are the ones the POSIX programs run on,
// and what happens is read back from their transcript.
#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "dialer/form1.h"
#include "sim/dialer/desktop.h"
#include "tests/common/golden.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::testing {

using Lines = std::vector<std::string>;

// Whole transcripts of the steps, one block each in steps.expected.
inline void ExpectSteps(const std::string& name, const Lines& actual) {
  EXPECT_EQ(actual, GoldenBlock(KIT_TESTS_DIR "/dialer/steps.expected", name)) << name;
}

inline std::string NoTime() { return "12:00:00"; }

struct Desk {
  explicit Desk(dialer::Build build = dialer::Build::kTunnelgate, const sim::DesktopOptions& options = Options())
      : profile(dialer::ProfileFor(build)),
        desktop(out, config, options),
        form(desktop.Ports(), desktop.FormPorts("C:\\Program Files\\Tunnelgate", &NoTime), config, profile) {
    out.str("");
  }
  static sim::DesktopOptions Options() {
    sim::DesktopOptions o;
    o.skip_waits = true;
    return o;
  }

  // The load handler.
  bool Load() { return form.Form_Load(); }
  dialer::CDialer& dialer() { return form.dialer(); }
  sim::SimulatedNetwork& net() { return desktop.network; }
  sim::HeadlessForm& win() { return static_cast<sim::HeadlessForm&>(form.window()); }

  // The transcript's lines so far, all or those starting with `prefix`.
  Lines Transcript() const { return With(""); }
  Lines With(const std::string& prefix) const {
    Lines r;
    std::istringstream in(out.str());
    for (std::string l; std::getline(in, l);) {
      if (l.rfind(prefix, 0) == 0) r.push_back(l);
    }
    return r;
  }
  void Clear() { out.str(""); }
  // The user name and password boxes filled in; the transcript starts after.
  void Boxes(const std::string& user, const std::string& password) {
    win().SetCaption("Text1", user);
    win().SetCaption("Text2", password);
    Clear();
  }

  // Settings as a machine may hold them.
  void Put(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) {
    desktop.registry.CreateKey(root, key);
    desktop.registry.WriteValue(root, key, name, value);
  }
  void PutText(RegRoot root, const std::string& key, const std::string& name, const std::string& ansi) {
    std::vector<std::uint8_t> data(ansi.begin(), ansi.end());
    data.push_back(0);
    Put(root, key, name, RegValue{reg::kSz, data});
  }
  void Optimized() { Put(RegRoot::kLocalMachine, dialer::kRasManParametersKey, "ProhibitIPSec", {reg::kDword, {1, 0, 0, 0}}); }
  void Created() { Put(RegRoot::kCurrentUser, dialer::kNeedCreatKey, "IsOK", {reg::kDword, {1, 0, 0, 0}}); }
  std::optional<RegValue> Get(RegRoot root, const std::string& key, const std::string& name) {
    return desktop.registry.ReadValue(root, key, name);
  }
  std::string SettingsKey() const { return "Software\\VB and VBA Program Settings\\" + profile.app_title + "\\settings"; }

  TempKitRoot root;
  std::ostringstream out;
  dialer::DialerConfig config;
  const dialer::BuildProfile& profile;
  sim::SimulatedDesktop desktop;
  dialer::Form1 form;
};

}  // namespace kit::testing
