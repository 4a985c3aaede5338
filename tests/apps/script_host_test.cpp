#include "apps/notaro-host/script_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ports/automation.h"
#include "ports/class_registry.h"

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

// Code page 936 for the handful of characters the tests use; anything else
// becomes '?', as the real converter does with what it cannot map.
class FakeCodePage : public ICodePage {
 public:
  std::string ToUtf8(const std::string& ansi) const override {
    std::string out;
    for (std::size_t i = 0; i < ansi.size();) {
      if (static_cast<unsigned char>(ansi[i]) < 0x80) {
        out += ansi[i++];
        continue;
      }
      const Pair* p = Find(ansi, i, &Pair::gbk);
      out += p ? p->utf8 : "?";
      i += p ? p->gbk.size() : 2;
    }
    return out;
  }
  std::string FromUtf8(const std::string& utf8) const override {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
      unsigned char c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) {
        out += utf8[i++];
        continue;
      }
      const Pair* p = Find(utf8, i, &Pair::utf8);
      out += p ? p->gbk : "?";
      i += p ? p->utf8.size() : (c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2);
    }
    return out;
  }

 private:
  struct Pair {
    std::string utf8, gbk;
  };
  const Pair* Find(const std::string& s, std::size_t at, std::string Pair::*side) const {
    for (const Pair& p : table_) {
      if (s.compare(at, (p.*side).size(), p.*side) == 0) return &p;
    }
    return nullptr;
  }
  std::vector<Pair> table_{{"批", "\xC5\xFA"}, {"注", "\xD7\xA2"}, {"张", "\xD5\xC5"},
                           {"三", "\xC8\xFD"}, {"错", "\xB4\xED"}, {"误", "\xCE\xF3"}};
};

constexpr const char* kProgId = "Kit.FakeRemark.1";

// What the fake objects saw, shared with the test.
struct Log {
  int created = 0;
  int alive = 0;
  std::vector<Variant> recorded;
  std::vector<IDispatchObject*> objects;  // in creation order
};

enum FakeId : DispId { kCaption = 1, kWidth, kVisible, kRatio, kSmall, kChild, kAlive, kRecord, kAdd, kSave, kIsReady, kFail, kCrash, kNothing };

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
        prop(kCaption, "Caption", VarType::Bstr),
        prop(kWidth, "Width", VarType::I4),
        prop(kVisible, "Visible", VarType::Bool),
        prop(kRatio, "Ratio", VarType::R8),
        prop(kSmall, "Small", VarType::I2),
        prop(kChild, "Child", VarType::Dispatch),
        prop(kAlive, "Alive", VarType::I4),
        method(kRecord, "Record", {}, VarType::I4),  // takes any arguments, unconverted
        method(kAdd, "Add", {{VarType::I4, "a"}, {VarType::I4, "b"}}, VarType::I4),
        method(kSave, "Save", {{VarType::Bstr, "path"}}, VarType::Error),
        method(kIsReady, "IsReady", {}, VarType::Bool),
        method(kFail, "Fail", {{VarType::I4, "code"}}, VarType::Empty),
        method(kCrash, "Crash", {}, VarType::Empty),
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
    bool put = kind == InvokeKind::PropertyPut;
    switch (id) {
      case kCaption:
        if (put) caption_ = args[0].AsStr();
        return put ? Variant() : Variant::Str(caption_);
      case kWidth:
        if (put) width_ = args[0].AsI4();
        return put ? Variant() : Variant::I4(width_);
      case kVisible:
        if (put) visible_ = args[0].AsBool();
        return put ? Variant() : Variant::Bool(visible_);
      case kRatio:
        if (put) ratio_ = args[0].AsR8();
        return put ? Variant() : Variant::R8(ratio_);
      case kSmall: return Variant::I2(-7);
      case kChild:
        if (put) child_ = args[0].AsDispatch();
        return put ? Variant() : Variant::Dispatch(child_);
      case kAlive: return Variant::I4(log_->alive);
      case kAdd: return Variant::I4(args[0].AsI4() + args[1].AsI4());
      case kSave:
        if (args[0].AsStr() == "ok") return Variant::Error(0);
        if (args[0].AsStr() == "bad") return Variant::Error(-1);
        return Variant::Error(hr::Fail);
      case kIsReady:
        ready_ = !ready_;
        return Variant::Bool(!ready_);
      case kFail: throw AutomationError(args[0].AsI4(), "\xB4\xED\xCE\xF3");  // 错误 in 936
      case kCrash: throw std::runtime_error("boom");
      default: return Variant();
    }
  }

  const std::string& caption() const { return caption_; }
  const std::shared_ptr<IDispatchObject>& child() const { return child_; }
  std::int32_t width() const { return width_; }

 private:
  std::shared_ptr<Log> log_;
  std::string caption_;
  std::int32_t width_ = 0;
  bool visible_ = false;
  double ratio_ = 0;
  bool ready_ = false;
  std::shared_ptr<IDispatchObject> child_;
};

struct Harness {
  Harness() {
    registry.Register(kProgId, [log = log] { return std::make_shared<FakeRemark>(log); });
  }
  // A recorded object argument refers back to the log through its object.
  ~Harness() { log->recorded.clear(); }
  int Run(const std::string& source, const std::vector<std::string>& args = {}, const std::string& path = "t.js") {
    ScriptHost host(codepage, registry, out, err);
    return host.Run(source, path, args);
  }
  FakeRemark& object(std::size_t i) const { return *static_cast<FakeRemark*>(log->objects.at(i)); }

  FakeCodePage codepage;
  ClassRegistry registry;
  std::shared_ptr<Log> log = std::make_shared<Log>();
  std::ostringstream out, err;
};

// Objects are kept alive by the test after the script, so their state can be
// checked once the script has released them.
struct KeepingHarness : Harness {
  KeepingHarness() {
    registry.Register(kProgId, [this] {
      auto obj = std::make_shared<FakeRemark>(log);
      kept.push_back(obj);
      return obj;
    });
  }
  std::vector<std::shared_ptr<FakeRemark>> kept;
};

const char* kNew = "var o = new ActiveXObject('Kit.FakeRemark.1');\n";

TEST(ScriptHostProperties, GetAndPutByNameInAnyCase) {
  KeepingHarness h;
  int rc = h.Run(std::string(kNew) +
                 "o.Width = 12;\n"
                 "WScript.Echo(o.width, o.WIDTH, typeof o.Width);\n"
                 "o.caption = 'abc';\n"
                 "WScript.Echo(o.Caption);\n"
                 "o.Ratio = 2.5;\n"
                 "WScript.Echo(o.ratio, o.Small, typeof o.Nothing());\n"
                 "WScript.Echo('Width' in o, 'wIdTh' in o, 'Nope' in o);\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "12 12 number\nabc\n2.5 -7 undefined\ntrue true false\n");
  EXPECT_EQ(h.kept.at(0)->width(), 12);
  EXPECT_EQ(h.kept.at(0)->caption(), "abc");
}

TEST(ScriptHostProperties, BoolsReadAsTrueAndFalse) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "WScript.Echo(o.Visible === false, o.IsReady() === false, o.IsReady() === true);\n"
                 "o.Visible = true;\n"
                 "WScript.Echo(o.Visible === true, typeof o.Visible);\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "true true true\ntrue boolean\n");
}

TEST(ScriptHostProperties, ObjectsCrossBothWaysAndNullDispatchIsNull) {
  KeepingHarness h;
  int rc = h.Run(
      "var a = new ActiveXObject('Kit.FakeRemark.1'), b = new ActiveXObject('KIT.FAKEREMARK.1');\n"
      "WScript.Echo(a.Child === null);\n"
      "b.Width = 5;\n"
      "a.Child = b;\n"
      "WScript.Echo(a.Child.Width, typeof a.Child);\n"
      "a.Child.Width = 6;\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "true\n5 object\n");
  ASSERT_EQ(h.kept.size(), 2u);
  EXPECT_EQ(h.kept[0]->child().get(), h.kept[1].get());
  EXPECT_EQ(h.kept[1]->width(), 6);
}

TEST(ScriptHostMethods, ArgumentsArriveAsTheVariantTypesOfTheirValues) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "WScript.Echo(o.Record(7, -2147483648, 2147483648, 2.5, 'x', true, false, null, undefined, o));\n");
  ASSERT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "10\n");
  const std::vector<Variant>& a = h.log->recorded;
  ASSERT_EQ(a.size(), 10u);
  EXPECT_EQ(a[0], Variant::I4(7));
  EXPECT_EQ(a[1], Variant::I4(INT32_MIN));
  EXPECT_EQ(a[2], Variant::R8(2147483648.0));
  EXPECT_EQ(a[3], Variant::R8(2.5));
  EXPECT_EQ(a[4], Variant::Str("x"));
  EXPECT_EQ(a[5], Variant::Bool(true));
  EXPECT_EQ(a[6], Variant::Bool(false));
  EXPECT_EQ(a[7].type(), VarType::Empty);
  EXPECT_TRUE(a[8].IsMissing());
  ASSERT_EQ(a[9].type(), VarType::Dispatch);
  EXPECT_EQ(a[9].AsDispatch().get(), h.log->objects.back());
}

TEST(ScriptHostMethods, MethodsAreFunctionsInvokedWithTheCallsArguments) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "WScript.Echo(o.Add(2, 3), o.ADD('2', 2.5), typeof o.Add);\n"
                 "var add = o.add;\n"
                 "WScript.Echo(add(40, 2));\n"
                 "try { o.Add(1); } catch (e) { WScript.Echo(e.number); }\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  // '2' and 2.5 coerce to I4 2 (banker's rounding); one argument is a bad count.
  EXPECT_EQ(h.out.str(), "5 4 function\n42\n" + std::to_string(hr::BadParamCount) + "\n");
}

TEST(ScriptHostMethods, ScodeResultsAreSignedNumbers) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "WScript.Echo(o.Save('ok'), o.Save('bad'), o.Save('other'), typeof o.Save('ok'));\n"
                 "if (o.Save('bad') != -1) WScript.Quit(3);\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "0 -1 -2147467259 number\n");
}

TEST(ScriptHostStrings, ChineseCrossesInCodePage936BothWays) {
  KeepingHarness h;
  int rc = h.Run(std::string(kNew) +
                 "o.Caption = '批注';\n"
                 "WScript.Echo(o.Caption, o.Caption == '批注', o.Caption.length);\n"
                 "o.Record('张三 ok');\n"
                 "try { o.Fail(1); } catch (e) { WScript.Echo(e.description, e.message); }\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.kept.at(0)->caption(), "\xC5\xFA\xD7\xA2");
  ASSERT_EQ(h.log->recorded.size(), 1u);
  EXPECT_EQ(h.log->recorded[0], Variant::Str("\xD5\xC5\xC8\xFD ok"));
  EXPECT_EQ(h.out.str(), "批注 true 2\n错误 错误\n");
}

TEST(ScriptHostErrors, AutomationErrorIsCaughtWithNumberAndDescription) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "try { o.Fail(-2146828235); WScript.Echo('not reached'); }\n"
                 "catch (e) { WScript.Echo(e.number, e.description, e.message, e instanceof Error); }\n"
                 "try { o.Crash(); } catch (e) { WScript.Echo(e.number, e.description); }\n"
                 "try { o.Record({}); } catch (e) { WScript.Echo(e.number); }\n"
                 "try { o.Add = 1; } catch (e) { WScript.Echo(e.number); }\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "-2146828235 错误 错误 true\n"
                         "-2147467259 boom\n" +
                             std::to_string(hr::TypeMismatch) + "\n" + std::to_string(hr::MemberNotFound) + "\n");
}

TEST(ScriptHostErrors, UncaughtAutomationErrorReportsLineAndHresult) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "WScript.Echo('before');\n"
                 "o.Fail(-2146828235);\n"
                 "WScript.Echo('after');\n");
  EXPECT_EQ(rc, kUncaughtExitStatus);
  EXPECT_EQ(h.out.str(), "before\n");
  EXPECT_EQ(h.err.str(), "t.js:3: 错误 (0x800A0035)\n");
}

TEST(ScriptHostErrors, UnknownProgIdFailsAsTheWindowsEngineDoes) {
  Harness h;
  int rc = h.Run(
      "try { new ActiveXObject('No.Such.1'); } catch (e) { WScript.Echo(e.number, e.description); }\n"
      "try { WScript.CreateObject('No.Such.1'); } catch (e) { WScript.Echo(e.number); }\n"
      "var x = new ActiveXObject('No.Such.2');\n");
  EXPECT_EQ(rc, kUncaughtExitStatus);
  EXPECT_EQ(h.out.str(), "-2146827859 Automation server can't create object\n-2146827859\n");
  EXPECT_EQ(h.err.str(), "t.js:3: Automation server can't create object (0x800A01AD)\n");
}

TEST(ScriptHostErrors, UnknownMembersRaiseOnGetPutAndCall) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "try { var v = o.Nope; } catch (e) { WScript.Echo(e.number, e.description); }\n"
                 "try { o.Nope = 1; } catch (e) { WScript.Echo(e.number); }\n"
                 "try { o.Nope(); } catch (e) { WScript.Echo(e.number); }\n"
                 "try { WScript.Echo(o); } catch (e) { WScript.Echo(e.number); }\n"
                 "o.Widt = 3;\n");
  EXPECT_EQ(rc, kUncaughtExitStatus);
  EXPECT_EQ(h.out.str(), "-2146827850 Object doesn't support this property or method\n"
                         "-2146827850\n-2146827850\n-2146827850\n");
  EXPECT_EQ(h.err.str(), "t.js:6: Object doesn't support this property or method (0x800A01B6)\n");
}

TEST(ScriptHostWScript, EchoJoinsItsArgumentsWithSingleSpaces) {
  Harness h;
  int rc = h.Run("WScript.Echo('a', 1, 2.5, true, null);\nWScript.Echo();\nWScript.Echo('x', undefined, 'y');\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "a 1 2.5 true null\n\nx  y\n");
}

TEST(ScriptHostWScript, ArgumentsAndScriptName) {
  Harness h;
  int rc = h.Run(
      "var a = WScript.Arguments;\n"
      "WScript.Echo(a.length, a.Count(), a(0), a.Item(1), a(1).length, WScript.ScriptName);\n"
      "try { a(2); } catch (e) { WScript.Echo(e.number); }\n",
      {"one", "二"}, "pages/dir/page.js");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "2 2 one 二 1 page.js\n" + std::to_string(kSubscriptOutOfRange) + "\n");
}

TEST(ScriptHostExitStatus, FollowsTheScriptsEnding) {
  {
    Harness h;
    EXPECT_EQ(h.Run("WScript.Echo('done');\n"), 0);
    EXPECT_EQ(h.err.str(), "");
  }
  {
    Harness h;
    EXPECT_EQ(h.Run("WScript.Echo(1);\nWScript.Quit(7);\nWScript.Echo(2);\n"), 7);
    EXPECT_EQ(h.out.str(), "1\n");
    EXPECT_EQ(h.err.str(), "");
  }
  {
    Harness h;
    EXPECT_EQ(h.Run("WScript.Quit();\nWScript.Echo(2);\n"), 0);
    EXPECT_EQ(h.out.str(), "");
  }
  {
    // A catch block does not stop the script quitting.
    Harness h;
    EXPECT_EQ(h.Run("try { WScript.Quit(4); } catch (e) { WScript.Echo('caught'); }\nWScript.Echo('after');\n"), 4);
    EXPECT_EQ(h.out.str(), "");
    EXPECT_EQ(h.err.str(), "");
  }
  {
    Harness h;
    EXPECT_EQ(h.Run("var x = 1;\nthrow new Error('bad');\n"), kUncaughtExitStatus);
    EXPECT_EQ(h.err.str(), "t.js:2: Error: bad\n");
  }
  {
    Harness h;
    EXPECT_EQ(h.Run("var x = 1;\nundefinedFunction();\n"), kUncaughtExitStatus);
    EXPECT_EQ(h.err.str().rfind("t.js:2: ReferenceError: ", 0), 0u) << h.err.str();
  }
  {
    Harness h;
    EXPECT_EQ(h.Run("var x = 1;\n\nvar y = (;\n"), kUncaughtExitStatus);
    EXPECT_EQ(h.err.str().rfind("t.js:3: SyntaxError: ", 0), 0u) << h.err.str();
    EXPECT_EQ(h.err.str().find("(line"), std::string::npos) << h.err.str();
  }
}

TEST(ScriptHostLifetime, ObjectsAreReleasedWithTheScriptsLastReference) {
  Harness h;
  int rc = h.Run(std::string(kNew) +
                 "for (var i = 0; i < 50; ++i) { var t = new ActiveXObject('Kit.FakeRemark.1'); t.Width = i; }\n"
                 "t = null;\n"
                 "WScript.Echo(o.Alive);\n"
                 "var add = new ActiveXObject('Kit.FakeRemark.1').Add;\n"
                 "WScript.Echo(o.Alive, add(1, 2));\n"
                 "add = null;\n"
                 "WScript.Echo(o.Alive);\n"
                 "o.Child = new ActiveXObject('Kit.FakeRemark.1');\n");
  EXPECT_EQ(rc, 0) << h.err.str();
  EXPECT_EQ(h.out.str(), "1\n2 3\n1\n");
  EXPECT_EQ(h.log->created, 53);
  EXPECT_EQ(h.log->alive, 0);
}

class ScriptHostFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("script_host_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::filesystem::path dir_;
};

TEST_F(ScriptHostFiles, SourceIsReadInTheSystemCodePageUnlessMarkedUtf8) {
  KeepingHarness h;
  ScriptHost host(h.codepage, h.registry, h.out, h.err);
  std::string ansi = Write("ansi.js", std::string(kNew) + "o.Caption = '\xC5\xFA\xD7\xA2';\nWScript.Echo(WScript.ScriptName);\n");
  EXPECT_EQ(host.RunFile(ansi, {}), 0) << h.err.str();
  std::string utf8 = Write("utf8.js", "\xEF\xBB\xBF" + std::string(kNew) + "o.Caption = '张三';\n");
  EXPECT_EQ(host.RunFile(utf8, {}), 0) << h.err.str();
  ASSERT_EQ(h.kept.size(), 2u);
  EXPECT_EQ(h.kept[0]->caption(), "\xC5\xFA\xD7\xA2");
  EXPECT_EQ(h.kept[1]->caption(), "\xD5\xC5\xC8\xFD");
  EXPECT_EQ(h.out.str(), "ansi.js\n");
}

TEST_F(ScriptHostFiles, MissingScriptIsAnError) {
  Harness h;
  ScriptHost host(h.codepage, h.registry, h.out, h.err);
  std::string missing = (dir_ / "missing.js").string();
  EXPECT_EQ(host.RunFile(missing, {}), kUncaughtExitStatus);
  EXPECT_NE(h.err.str().find(missing), std::string::npos);
}

}  // namespace
}  // namespace kit::script
