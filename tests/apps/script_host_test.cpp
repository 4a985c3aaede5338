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
const std::string kNotSupported = "Object doesn't support this property or method";

// What a script prints and how it ends. An expected error ending in a newline
// is the whole of stderr, otherwise its start.
TEST(ScriptHost, TranscriptsAndExitStatus) {
  struct Case {
    const char* what;
    std::string source;
    int rc;
    std::string out, err;
  } cases[] = {
      {"properties by name in any case",
       kNew + "o.Width = 12;\nWScript.Echo(o.width, o.WIDTH, typeof o.Width);\no.caption = 'abc';\n"
              "WScript.Echo(o.Caption);\no.Ratio = 2.5;\nWScript.Echo(o.ratio, o.Small, typeof o.Nothing());\n"
              "WScript.Echo('Width' in o, 'wIdTh' in o, 'Nope' in o);\n",
       0, "12 12 number\nabc\n2.5 -7 undefined\ntrue true false\n", ""},
      {"bools",
       kNew + "WScript.Echo(o.Visible === false, o.IsReady() === false, o.IsReady() === true);\n"
              "o.Visible = true;\nWScript.Echo(o.Visible === true, typeof o.Visible);\n",
       0, "true true true\ntrue boolean\n", ""},
      {"objects both ways, a null dispatch is null",
       "var a = new ActiveXObject('Kit.FakeRemark.1'), b = new ActiveXObject('KIT.FAKEREMARK.1');\n"
       "WScript.Echo(a.Child === null);\nb.Width = 5;\na.Child = b;\nWScript.Echo(a.Child.Width, typeof a.Child);\n"
       "a.Child.Width = 6;\nWScript.Echo(b.Width);\n",
       0, "true\n5 object\n6\n", ""},
      // '2' and 2.5 coerce to I4 2 (banker's rounding); one argument is a bad count.
      {"methods are functions",
       kNew + "WScript.Echo(o.Add(2, 3), o.ADD('2', 2.5), typeof o.Add);\nvar add = o.add;\n"
              "WScript.Echo(add(40, 2));\ntry { o.Add(1); } catch (e) { WScript.Echo(e.number); }\n",
       0, "5 4 function\n42\n" + std::to_string(hr::BadParamCount) + "\n", ""},
      {"scode results are signed numbers",
       kNew + "WScript.Echo(o.Save('ok'), o.Save('bad'), o.Save('other'), typeof o.Save('ok'));\n"
              "if (o.Save('bad') != -1) WScript.Quit(3);\n",
       0, "0 -1 -2147467259 number\n", ""},
      {"caught automation errors",
       kNew + "try { o.Fail(-2146828235); WScript.Echo('not reached'); }\n"
              "catch (e) { WScript.Echo(e.number, e.description, e.message, e instanceof Error); }\n"
              "try { o.Crash(); } catch (e) { WScript.Echo(e.number, e.description); }\n"
              "try { o.Record({}); } catch (e) { WScript.Echo(e.number); }\n"
              "try { o.Add = 1; } catch (e) { WScript.Echo(e.number); }\n",
       0, "-2146828235 错误 错误 true\n-2147467259 boom\n" + std::to_string(hr::TypeMismatch) + "\n" +
              std::to_string(hr::MemberNotFound) + "\n",
       ""},
      {"uncaught automation error", kNew + "WScript.Echo('before');\no.Fail(-2146828235);\nWScript.Echo('after');\n",
       kUncaughtExitStatus, "before\n", "t.js:3: 错误 (0x800A0035)\n"},
      {"unknown ProgID",
       "try { new ActiveXObject('No.Such.1'); } catch (e) { WScript.Echo(e.number, e.description); }\n"
       "try { WScript.CreateObject('No.Such.1'); } catch (e) { WScript.Echo(e.number); }\n"
       "var x = new ActiveXObject('No.Such.2');\n",
       kUncaughtExitStatus, "-2146827859 Automation server can't create object\n-2146827859\n",
       "t.js:3: Automation server can't create object (0x800A01AD)\n"},
      {"unknown members on get, put and call",
       kNew + "try { var v = o.Nope; } catch (e) { WScript.Echo(e.number, e.description); }\n"
              "try { o.Nope = 1; } catch (e) { WScript.Echo(e.number); }\n"
              "try { o.Nope(); } catch (e) { WScript.Echo(e.number); }\n"
              "try { WScript.Echo(o); } catch (e) { WScript.Echo(e.number); }\no.Widt = 3;\n",
       kUncaughtExitStatus, "-2146827850 " + kNotSupported + "\n-2146827850\n-2146827850\n-2146827850\n",
       "t.js:6: " + kNotSupported + " (0x800A01B6)\n"},
      {"echo joins with single spaces", "WScript.Echo('a', 1, 2.5, true, null);\nWScript.Echo();\nWScript.Echo('x', undefined, 'y');\n",
       0, "a 1 2.5 true null\n\nx  y\n", ""},
      {"quit with a status", "WScript.Echo(1);\nWScript.Quit(7);\nWScript.Echo(2);\n", 7, "1\n", ""},
      {"quit without one", "WScript.Quit();\nWScript.Echo(2);\n", 0, "", ""},
      {"a catch block does not stop quitting",
       "try { WScript.Quit(4); } catch (e) { WScript.Echo('caught'); }\nWScript.Echo('after');\n", 4, "", ""},
      {"thrown error", "var x = 1;\nthrow new Error('bad');\n", kUncaughtExitStatus, "", "t.js:2: Error: bad\n"},
      {"reference error", "var x = 1;\nundefinedFunction();\n", kUncaughtExitStatus, "", "t.js:2: ReferenceError: "},
      {"syntax error", "var x = 1;\n\nvar y = (;\n", kUncaughtExitStatus, "", "t.js:3: SyntaxError: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    EXPECT_EQ(h.Run(c.source), c.rc) << h.err.str();
    EXPECT_EQ(h.out.str(), c.out);
    if (!c.err.empty() && c.err.back() == '\n') {
      EXPECT_EQ(h.err.str(), c.err);
    } else {
      EXPECT_EQ(h.err.str().rfind(c.err, 0), 0u) << h.err.str();
    }
    EXPECT_EQ(h.err.str().find("(line"), std::string::npos) << h.err.str();
  }
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
