#include "apps/notaro-host/script_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ports/automation.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "tests/common/golden.h"

namespace kit::script {
namespace {

using automation::AutomationError;
using automation::DispatchTable;
using automation::DispId;
using automation::IDispatchObject;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamInfo;
using automation::Variant;
using automation::VarType;

// What the fake objects saw, shared with the test.
struct Log {
  int created = 0;
  int alive = 0;
  std::vector<Variant> recorded;
  std::vector<IDispatchObject*> objects;  // in creation order
};

enum FakeId : DispId { kCaption = 1, kWidth, kVisible, kRatio, kSmall, kChild, kAlive, kRecord, kAdd, kSave, kIsReady, kFail, kCrash, kNothing };

// Properties hold what was put; Record keeps its arguments unconverted.
class FakeRemark : public IDispatchObject {
 public:
  explicit FakeRemark(std::shared_ptr<Log> log) : log_(std::move(log)) {
    ++log_->created;
    ++log_->alive;
    log_->objects.push_back(this);
  }
  ~FakeRemark() override { --log_->alive; }

  const DispatchTable& Members() const override {
    auto prop = [](DispId id, const char* name, VarType t) { return MemberInfo{id, name, MemberKind::Property, {}, t, ""}; };
    auto method = [](DispId id, const char* name, std::vector<ParamInfo> params, VarType t) {
      return MemberInfo{id, name, MemberKind::Method, std::move(params), t, ""};
    };
    static const DispatchTable table({
        prop(kCaption, "Caption", VarType::Bstr), prop(kWidth, "Width", VarType::I4),
        prop(kVisible, "Visible", VarType::Bool), prop(kRatio, "Ratio", VarType::R8),
        prop(kSmall, "Small", VarType::I2), prop(kChild, "Child", VarType::Dispatch),
        prop(kAlive, "Alive", VarType::I4), method(kRecord, "Record", {}, VarType::I4),
        method(kAdd, "Add", {{VarType::I4, "a"}, {VarType::I4, "b"}}, VarType::I4),
        method(kSave, "Save", {{VarType::Bstr, "path"}}, VarType::Error), method(kIsReady, "IsReady", {}, VarType::Bool),
        method(kFail, "Fail", {{VarType::I4, "code"}}, VarType::Empty), method(kCrash, "Crash", {}, VarType::Empty),
        method(kNothing, "Nothing", {}, VarType::Empty),
    });
    return table;
  }

  Variant Invoke(DispId id, InvokeKind kind, const std::vector<Variant>& raw) override {
    const MemberInfo* m = Members().Find(id);
    if (m == nullptr) throw AutomationError(hr::MemberNotFound, "no such member");
    if (id == kRecord) {
      log_->recorded = raw;
      return Variant::I4(static_cast<std::int32_t>(raw.size()));
    }
    std::vector<Variant> args = automation::CheckArguments(*m, kind, raw);
    if (id == kAlive) return Variant::I4(log_->alive);
    if (m->kind == MemberKind::Property) {
      if (kind != InvokeKind::PropertyPut) return props.at(id);
      props[id] = args[0];
      return Variant();
    }
    switch (id) {
      case kAdd: return Variant::I4(args[0].AsI4() + args[1].AsI4());
      case kSave: return Variant::Error(args[0].AsStr() == "ok" ? 0 : args[0].AsStr() == "bad" ? -1 : hr::Fail);
      case kIsReady: return Variant::Bool(!(ready_ = !ready_));
      case kFail: throw AutomationError(args[0].AsI4(), "\xB4\xED\xCE\xF3");  // 错误 in 936
      case kCrash: throw std::runtime_error("boom");
      default: return Variant();
    }
  }

  std::map<DispId, Variant> props{{kCaption, Variant::Str("")},   {kWidth, Variant::I4(0)},
                                  {kVisible, Variant::Bool(false)}, {kRatio, Variant::R8(0)},
                                  {kSmall, Variant::I2(-7)},        {kChild, Variant::Dispatch(nullptr)}};

 private:
  std::shared_ptr<Log> log_;
  bool ready_ = false;
};

// With `keep`, the test holds every object so its state can be checked once
// the script has released it.
struct Harness {
  explicit Harness(bool keep = false) {
    registry.Register("Kit.FakeRemark.1", [this, keep] {
      auto obj = std::make_shared<FakeRemark>(log);
      if (keep) kept.push_back(obj);
      return obj;
    });
  }
  // A recorded object argument refers back to the log through its object.
  ~Harness() { log->recorded.clear(); }
  int Run(const std::string& source, const std::vector<std::string>& args = {}, const std::string& path = "t.js") {
    return host.Run(source, path, args);
  }

  const ICodePage& codepage = *DefaultPlatform().codepage;
  ClassRegistry registry;
  std::shared_ptr<Log> log = std::make_shared<Log>();
  std::vector<std::shared_ptr<FakeRemark>> kept;
  std::ostringstream out, err;
  ScriptHost host{codepage, registry, out, err};
};

const std::string kNew = "var o = new ActiveXObject('Kit.FakeRemark.1');\n";

// What each script of script_host.scripts prints and how it ends, held to
// the block after it.
TEST(ScriptHost, TranscriptsAndExitStatus) {
  const std::string file = KIT_TESTS_DIR "/apps/script_host.scripts";
  int scripts = 0;
  for (const std::string& head : kit::testing::GoldenLines(file)) {
    if (head.rfind("== ", 0) != 0 || head.size() < 6 || head.compare(head.size() - 3, 3, ".js") != 0) continue;
    const std::string name = head.substr(3, head.size() - 6);
    std::string source;
    for (const std::string& l : kit::testing::GoldenBlock(file, name + ".js")) source += l + "\n";
    Harness h;
    const int rc = h.Run(source);
    std::vector<std::string> seen;
    auto add = [&seen](const std::string& text) {
      std::istringstream in(text);
      for (std::string l; std::getline(in, l);) seen.push_back(l);
    };
    add(h.out.str());
    seen.push_back("exit " + std::to_string(rc));
    add(h.err.str());
    EXPECT_EQ(seen, kit::testing::GoldenBlock(file, name + " ran")) << name;
    ++scripts;
  }
  EXPECT_EQ(scripts, 16);
}

// Beyond 32 bits a number is a double; null and undefined stay apart.
TEST(ScriptHost, LargeNullAndUndefinedArgumentsArriveAsTheirOwnTypes) {
  Harness h;
  ASSERT_EQ(h.Run(kNew + "o.Record(2147483648, null, undefined);\n"), 0) << h.err.str();
  ASSERT_EQ(h.log->recorded.size(), 3u);
  EXPECT_EQ(h.log->recorded[0].type(), VarType::R8);
  EXPECT_EQ(h.log->recorded[1].type(), VarType::Empty);
  EXPECT_TRUE(h.log->recorded[2].IsMissing());
}

TEST(ScriptHost, ArgumentsAndScriptName) {
  Harness h;
  int rc = h.Run(
      "var a = WScript.Arguments;\n"
      "WScript.Echo(a.length, a.Count(), a(0), a.Item(1), a(1).length, WScript.ScriptName);\n"
      "try { a(2); } catch (e) { WScript.Echo(e.number); }\n",
      {"one", "二"}, "pages/dir/page.js");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "2 2 one 二 1 page.js\n" + std::to_string(kSubscriptOutOfRange) + "\n");
}

TEST(ScriptHost, SourceFilesAreInTheSystemCodePageUnlessMarkedUtf8) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "script_host_test_files";
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  };
  Harness h(true);
  EXPECT_EQ(h.host.RunFile(write("ansi.js", kNew + "o.Caption = '\xC5\xFA\xD7\xA2';\nWScript.Echo(WScript.ScriptName);\n"), {}), 0)
      << h.err.str();
  EXPECT_EQ(h.host.RunFile(write("utf8.js", "\xEF\xBB\xBF" + kNew + "o.Caption = '张三';\n"), {}), 0) << h.err.str();
  ASSERT_EQ(h.kept.size(), 2u);
  EXPECT_EQ(h.kept[0]->props[kCaption], Variant::Str("\xC5\xFA\xD7\xA2"));
  EXPECT_EQ(h.kept[1]->props[kCaption], Variant::Str("\xD5\xC5\xC8\xFD"));
  EXPECT_EQ(h.out.str(), "ansi.js\n");

  const std::string missing = (dir / "missing.js").string();
  EXPECT_EQ(h.host.RunFile(missing, {}), kUncaughtExitStatus);
  EXPECT_NE(h.err.str().find(missing), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kit::script
