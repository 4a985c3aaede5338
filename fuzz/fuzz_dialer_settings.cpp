// Registry values as a tampered or damaged machine may hold them: the first
// byte picks the stored type, the rest is the value's data. Reading it back
// through every procedure and the credential loader must give bounded text
// without NULs, and never read past the data.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialer/registry_api.h"
#include "fuzz/fuzz_common.h"
#include "ports/platform.h"

namespace {

using namespace kit;

// One key holding every value name asked for, with the same data.
class OneValueRegistry : public ISettingsStore {
 public:
  std::uint32_t type = reg::kSz;
  std::vector<std::uint8_t> data;

  bool KeyExists(RegRoot, const std::string&) override { return true; }
  KeyCreation CreateKey(RegRoot, const std::string&) override { return KeyCreation::kExisted; }
  std::optional<RegValue> ReadValue(RegRoot, const std::string&, const std::string&) override {
    return RegValue{type, data};
  }
  bool WriteValue(RegRoot, const std::string&, const std::string&, const RegValue&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  const ICodePage& cp = *DefaultPlatform().codepage;
  OneValueRegistry reg;
  reg.type = bytes[0] % 5;
  reg.data.assign(bytes + 1, bytes + size);
  dialer::RegistryAPI api(reg, cp);

  auto text = std::get<std::string>(api.ReadRegValue(RegRoot::kCurrentUser, "k", "v", reg::kSz, std::string("d")));
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  FUZZ_CHECK(reg.data.size() > dialer::kStringBufferSize ? text == "d" : true);
  auto bin = std::get<std::vector<std::uint8_t>>(
      api.ReadRegValue(RegRoot::kCurrentUser, "k", "v", reg::kBinary, std::vector<std::uint8_t>{}));
  FUZZ_CHECK(reg.data.size() <= dialer::kBinaryBufferSize ? bin == reg.data : bin.empty());
  auto num = std::get<std::int32_t>(api.ReadRegValue(RegRoot::kCurrentUser, "k", "v", reg::kDword, std::int32_t{-7}));
  FUZZ_CHECK(reg.data.size() == 4 || num == -7);

  // The credential loader on whatever the value holds.
  dialer::Settings settings(api, dialer::ProfileFor(dialer::Build::kTunnelgate));
  auto creds = settings.LoadCredentials();
  FUZZ_CHECK(creds.first == creds.second);
  FUZZ_CHECK(creds.first.find('\0') == std::string::npos);

  // The shift keeps the byte count and never makes a NUL.
  const std::string raw(reinterpret_cast<const char*>(bytes + 1), size - 1);
  const std::string back = dialer::ShiftCodes(raw, -dialer::deEncCode);
  FUZZ_CHECK(back.size() == raw.size());
  FUZZ_CHECK(back.find('\0') == std::string::npos);
  // Whatever text comes out can be stored again.
  const std::string restored = dialer::deEnc(cp, raw, dialer::deEncCode);
  FUZZ_CHECK(dialer::Enc(cp, restored, dialer::EncCode).find('\0') == std::string::npos);
  return 0;
}
