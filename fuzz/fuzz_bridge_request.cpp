// Requests as any program on the desktop may send them to the bridge: the
// first byte picks the method and the path, the rest is the body. Before the
// fuzzed request a page of the office has made one control, and "$S" and "$I"
// in the body stand for its session token and instance, so that the fuzzer
// reaches the calls and not only the refusals. Whatever comes, the answer is
// a status the browser understands, JSON where the bridge speaks JSON, and no
// control outlives the bridge.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "apps/notaro-bridge/bridge.h"
#include "fuzz/fuzz_common.h"
#include "ports/automation.h"
#include "ports/platform.h"

namespace {

using kit::automation::DispatchTable;
using kit::automation::DispId;
using kit::automation::InvokeKind;
using kit::automation::MemberKind;
using kit::automation::Variant;
using kit::automation::VarType;

int g_alive = 0;

// Text (a string property) and Echo(any), which gives its argument back.
class Echo : public kit::automation::IDispatchObject {
 public:
  Echo() { ++g_alive; }
  ~Echo() override { --g_alive; }
  const DispatchTable& Members() const override {
    static const DispatchTable table({
        {1, "Text", MemberKind::Property, {}, VarType::Bstr, ""},
        {2, "Echo", MemberKind::Method, {{VarType::Variant, "v"}}, VarType::Variant, ""},
    });
    return table;
  }
  Variant Invoke(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    const std::vector<Variant> a = kit::automation::CheckArguments(*Members().Find(id), kind, args);
    if (id == 2) return a[0];
    if (kind == InvokeKind::PropertyPut) text_ = a[0].AsStr();
    return Variant::Str(text_);
  }

 private:
  std::string text_;
};

constexpr int kPort = 16936;
const char* const kOrigin = "http://oa.example";

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char* const kPaths[] = {"/create", "/call", "/release", "/touch", "/window", "/notaro.js", "/"};
  static const char* const kMethods[] = {"POST", "GET", "OPTIONS", "PUT"};
  {
    kit::ClassRegistry registry;
    registry.Register("Fuzz.Echo", [] { return std::make_shared<Echo>(); });
    kit::bridge::Bridge::Ports ports;
    ports.registry = &registry;
    ports.codepage = kit::DefaultPlatform().codepage;
    ports.zone_of = [](const std::string&) { return kit::UrlZone::Internet; };
    int tokens = 0;
    ports.new_token = [&tokens] { return "t" + std::to_string(++tokens); };
    kit::bridge::Settings settings;
    settings.port = kPort;
    settings.site_list = kOrigin;
    settings.max_body = 4096;
    settings.max_string = 256;
    kit::bridge::Bridge bridge(ports, settings, "// notaro.js");

    kit::bridge::Request made;
    made.method = "POST";
    made.path = "/create";
    made.host = "127.0.0.1:" + std::to_string(kPort);
    made.origin = kOrigin;
    made.content_type = "application/json";
    made.body = R"({"progid":"Fuzz.Echo"})";
    const kit::bridge::Response first = bridge.Handle(made);
    FUZZ_CHECK(first.status == 200);
    const nlohmann::json control = nlohmann::json::parse(first.body);

    kit::bridge::Request r = made;
    r.method = kMethods[(data[0] >> 4) % 4];
    r.path = kPaths[(data[0] & 15) % 7];
    r.preflight_method = (data[0] & 0x80) != 0 ? "POST" : "";
    r.body.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    ReplaceAll(r.body, "$S", control.at("session").get<std::string>());
    ReplaceAll(r.body, "$I", std::to_string(control.at("instance").get<long long>()));
    const kit::bridge::Response answer = bridge.Handle(r);
    FUZZ_CHECK(answer.status >= 200 && answer.status < 600);
    if (answer.content_type.find("json") != std::string::npos) {
      FUZZ_CHECK(nlohmann::json::accept(answer.body));
    }
  }
  FUZZ_CHECK(g_alive == 0);
  return 0;
}
