#include "apps/notaro-bridge/bridge.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "apps/notaro-bridge/bridge_server.h"
#include "platform/posix/posix_page_site.h"
#include "ports/automation.h"
#include "ports/platform.h"

namespace kit::bridge {
namespace {

using automation::AutomationError;
using automation::DispatchTable;
using automation::DispId;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::Variant;
using automation::VarType;
using Json = nlohmann::json;

constexpr int kPort = 16936;
constexpr int kStrangersPort = 40999;  // a connection of another desktop user
const char* const kIntranet = "http://10.0.0.8";

// What the test objects saw.
struct Seen {
  int created = 0;
  int alive = 0;
  std::vector<Variant> echoed;
  int busy = 0, most_busy = 0;
  std::vector<std::thread::id> threads;
  // Runs inside Modal, as a window's loop runs inside OpenRemark.
  std::function<void()> modal;
  std::vector<WindowPlace> placed;  // where windows were shown
  int windows = 0;
};

// Text (a string property), Echo(any) gives back its argument, Fail raises,
// Slow takes a while, Modal runs Seen::modal.
class Probe : public automation::IDispatchObject {
 public:
  explicit Probe(std::shared_ptr<Seen> seen) : seen_(std::move(seen)) {
    ++seen_->created;
    ++seen_->alive;
  }
  ~Probe() override { --seen_->alive; }
  const DispatchTable& Members() const override {
    static const DispatchTable table({
        {1, "Text", MemberKind::Property, {}, VarType::Bstr, ""},
        {2, "Echo", MemberKind::Method, {{VarType::Variant, "v"}}, VarType::Variant, ""},
        {3, "Fail", MemberKind::Method, {}, VarType::Empty, ""},
        {4, "Slow", MemberKind::Method, {}, VarType::I4, ""},
        {5, "Modal", MemberKind::Method, {}, VarType::Empty, ""},
    });
    return table;
  }
  Variant Invoke(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    const std::vector<Variant> a = automation::CheckArguments(*Members().Find(id), kind, args);
    switch (id) {
      case 1:
        if (kind == InvokeKind::PropertyPut) text_ = a[0].AsStr();
        return Variant::Str(text_);
      case 2: seen_->echoed.push_back(a[0]); return a[0];
      case 3: throw AutomationError(hr::CtlFileNotFound, "\xCE\xC4\xBC\xFE\xCE\xB4\xD5\xD2\xB5\xBD", "Probe");
      case 5:
        if (seen_->modal) seen_->modal();
        return Variant();
      default: {
        seen_->most_busy = std::max(seen_->most_busy, ++seen_->busy);
        seen_->threads.push_back(std::this_thread::get_id());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --seen_->busy;
        return Variant::I4(static_cast<std::int32_t>(seen_->threads.size()));
      }
    }
  }

 private:
  std::shared_ptr<Seen> seen_;
  std::string text_;
};

// A probe with a window of its own, as the signature pad has.
struct PadProbe : Probe {
  using Probe::Probe;
};

// Uses its control to the last, as a pad's window does (a control gone
// first is a use after free for the sanitizers).
class FakeWindow : public IControlWindow {
 public:
  FakeWindow(std::shared_ptr<Seen> seen, automation::IDispatchObject& control, const WindowPlace& place)
      : seen_(std::move(seen)), control_(control) {
    ++seen_->windows;
    Place(place);
  }
  ~FakeWindow() override {
    control_.Invoke(1, InvokeKind::PropertyGet, {});
    --seen_->windows;
  }
  void Place(const WindowPlace& place) override { seen_->placed.push_back(place); }

 private:
  std::shared_ptr<Seen> seen_;
  automation::IDispatchObject& control_;
};

class BridgeTest : public ::testing::Test {
 protected:
  BridgeTest() {
    registry_.Register("Test.Probe", [seen = seen_] { return std::make_shared<Probe>(seen); });
    registry_.Register("Test.Pad", [seen = seen_] { return std::make_shared<PadProbe>(seen); });
    Bridge::Ports ports;
    ports.registry = &registry_;
    ports.codepage = DefaultPlatform().codepage;
    ports.zone_of = posix::ZoneOfAddress;
    ports.new_token = [this] { return "token" + std::to_string(++tokens_); };
    ports.clock = [this] { return now_; };
    ports.same_user = [](int peer, int) { return peer != kStrangersPort; };
    ports.open_window = [seen = seen_](automation::IDispatchObject& control,
                                       const WindowPlace& place) -> std::unique_ptr<IControlWindow> {
      if (dynamic_cast<PadProbe*>(&control) == nullptr) return nullptr;
      return std::make_unique<FakeWindow>(seen, control, place);
    };
    Settings settings;
    settings.site_list = "https://oa.example.gov; http://intranet.example";
    settings.max_body = 4096;
    settings.max_string = 64;
    settings.max_instances = 3;
    settings.idle = std::chrono::seconds(60);
    bridge_ = std::make_unique<Bridge>(ports, settings, "// notaro.js");
  }

  static Request Post(const std::string& path, const Json& body, const std::string& origin = kIntranet) {
    Request r;
    r.method = "POST";
    r.path = path;
    r.host = "127.0.0.1:" + std::to_string(kPort);
    r.origin = origin;
    r.content_type = "application/json";
    r.body = body.dump();
    return r;
  }
  Json Answer(const Request& r, int status = 200) {
    const Response response = bridge_->Handle(r);
    EXPECT_EQ(response.status, status) << response.body;
    return Json::parse(response.body);
  }
  // A new control; returns {session, instance}.
  std::pair<std::string, long long> Create(const std::string& origin = kIntranet, const std::string& session = "",
                                           const std::string& progid = "Test.Probe") {
    Json body{{"progid", progid}};
    if (!session.empty()) body["session"] = session;
    const Json j = Answer(Post("/create", body, origin));
    return {j.at("session").get<std::string>(), j.at("instance").get<long long>()};
  }
  Json Call(const std::pair<std::string, long long>& c, const std::string& member, const std::string& kind,
            const Json& args, const std::string& origin = kIntranet, int status = 200) {
    return Answer(Post("/call", {{"session", c.first}, {"instance", c.second}, {"member", member}, {"kind", kind},
                                 {"args", args}}, origin), status);
  }

  ClassRegistry registry_;
  std::shared_ptr<Seen> seen_ = std::make_shared<Seen>();
  int tokens_ = 0;
  Clock::time_point now_{};
  std::unique_ptr<Bridge> bridge_;
};

std::string HeaderOf(const Response& r, const std::string& name) {
  for (const auto& [key, value] : r.headers) {
    if (key == name) return value;
  }
  return "";
}

TEST_F(BridgeTest, RefusedRequestsDoNothingAndSayWhy) {
  const std::string port = std::to_string(kPort);
  struct Case {
    const char* what;
    std::function<void(Request&)> change;
    int status;
    const char* why;  // empty: answered
  };
  const std::vector<Case> cases = {
      {"no Host", [](Request& r) { r.host.reset(); }, 403, "foreign Host"},
      {"another site's name", [&](Request& r) { r.host = "office.example:" + port; }, 403, "foreign Host"},
      {"another port", [](Request& r) { r.host = "127.0.0.1:80"; }, 403, "foreign Host"},
      {"localhost", [&](Request& r) { r.host = "LocalHost:" + port; }, 200, ""},
      {"another user's browser", [](Request& r) { r.peer_port = kStrangersPort; }, 403, "another user's program"},
      {"no Origin", [](Request& r) { r.origin.reset(); }, 403, "no Origin"},
      {"an internet page", [](Request& r) { r.origin = "http://203.0.113.5"; }, 403, "not one of the office's sites"},
      {"an opaque origin", [](Request& r) { r.origin = "null"; }, 403, "not one of the office's sites"},
      {"a private address", [](Request& r) { r.origin = "http://192.168.1.20:8080"; }, 200, ""},
      {"a listed site", [](Request& r) { r.origin = "https://oa.example.gov"; }, 200, ""},
      {"a listed site on another port", [](Request& r) { r.origin = "https://oa.example.gov:8443"; }, 403,
       "not one of the office's sites"},
      {"a form post", [](Request& r) { r.content_type = "text/plain"; }, 415, "application/json"},
      {"a GET", [](Request& r) { r.method = "GET"; }, 404, "no such resource"},
      {"a PUT", [](Request& r) { r.method = "PUT"; }, 405, "no such resource"},
      {"too long a body", [](Request& r) { r.body = Json{{"progid", std::string(5000, 'x')}}.dump(); }, 413,
       "longer than 4096"},
      {"not JSON", [](Request& r) { r.body = "progid=Test.Probe"; }, 400, "not a JSON object"},
      {"no ProgID", [](Request& r) { r.body = "{}"; }, 400, "\"progid\" must be a string"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Request r = Post("/create", {{"progid", "Test.Probe"}});
    c.change(r);
    const int before = seen_->created;
    const Response response = bridge_->Handle(r);
    EXPECT_EQ(response.status, c.status) << response.body;
    EXPECT_EQ(seen_->created, before + (c.status == 200 ? 1 : 0));
    if (c.status != 200) {
      EXPECT_NE(Json::parse(response.body).at("refused").get<std::string>().find(c.why), std::string::npos)
          << response.body;
    }
    // Only pages the site lock answers may read what the bridge says, and
    // only when they asked the bridge itself.
    const bool answered = r.origin && bridge_->OriginAnswered(*r.origin) && std::string(c.why) != "foreign Host" &&
                          r.peer_port != kStrangersPort;
    EXPECT_EQ(HeaderOf(response, "Access-Control-Allow-Origin"), answered ? *r.origin : "");
  }
}

TEST_F(BridgeTest, ValuesCrossAsTheDispatchTableSays) {
  const auto c = Create();
  struct Case {
    Json sent;
    VarType arrives;
    Json returns;
  };
  const std::vector<Case> cases = {
      {"张三", VarType::Bstr, "张三"},
      {7, VarType::I4, 7},
      {-2147483648LL, VarType::I4, -2147483648LL},
      {2.5, VarType::R8, 2.5},
      {4294967295LL, VarType::R8, 4294967295.0},
      {true, VarType::Bool, true},
      {nullptr, VarType::Empty, nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.sent.dump());
    EXPECT_EQ(Call(c, "Echo", "call", Json::array({k.sent})).at("value"), k.returns);
    EXPECT_EQ(seen_->echoed.back().type(), k.arrives);
  }
  // Strings reach the control in code page 936 and come back as text.
  EXPECT_EQ(seen_->echoed.front().AsStr(), "\xD5\xC5\xC8\xFD");
  Call(c, "text", "put", Json::array({"李四"}));
  EXPECT_EQ(Call(c, "Text", "get", Json::array()).at("value"), "李四");
}

TEST_F(BridgeTest, FailuresAnswerAsAutomationErrors) {
  const auto c = Create();
  struct Case {
    std::string member, kind;
    Json args;
    std::int32_t number;
    std::string source, description;
  };
  const std::vector<Case> cases = {
      {"Fail", "call", Json::array(), static_cast<std::int32_t>(hr::CtlFileNotFound), "Probe", "文件未找到"},
      {"Missing", "call", Json::array(), -2146827850, "", "Object doesn't support this property or method"},
      {"Echo", "call", Json::array({1, 2}), static_cast<std::int32_t>(hr::BadParamCount), "",
       "Invalid number of parameters for Echo"},
      {"Echo", "call", Json::array({Json::array({1})}), static_cast<std::int32_t>(hr::TypeMismatch), "",
       "Type mismatch: a script object cannot be passed to an automation member"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.member);
    const Json e = Call(c, k.member, k.kind, k.args).at("error");
    EXPECT_EQ(e.at("number"), k.number);
    EXPECT_EQ(e.at("source"), k.source);
    EXPECT_EQ(e.at("description"), k.description);
  }
  const Json e = Answer(Post("/create", {{"progid", "No.Such.Class"}})).at("error");
  EXPECT_EQ(e.at("number"), -2146827859);
  EXPECT_EQ(e.at("description"), "Automation server can't create object");
  // A string over the limit is refused before it reaches the control.
  const std::size_t echoed = seen_->echoed.size();
  Call(c, "Echo", "call", Json::array({std::string(65, 'x')}), kIntranet, 413);
  EXPECT_EQ(seen_->echoed.size(), echoed);
}

TEST_F(BridgeTest, AControlBelongsToThePageThatMadeIt) {
  const auto mine = Create();
  const auto other = Create();
  EXPECT_NE(mine.first, other.first);
  Call(mine, "Text", "put", Json::array({"mine"}));
  // Another page's session, no session, or the right token from another
  // origin: all get what a wrong token gets.
  Call({other.first, mine.second}, "Text", "put", Json::array({"x"}), kIntranet, 404);
  Call({"", mine.second}, "Text", "put", Json::array({"x"}), kIntranet, 404);
  Call(mine, "Text", "put", Json::array({"x"}), "http://10.0.0.9", 404);
  Answer(Post("/release", {{"session", mine.first}}, "http://10.0.0.9"), 404);
  EXPECT_EQ(Call(mine, "Text", "get", Json::array()).at("value"), "mine");

  // A second create of the page joins its session, up to the limit.
  const auto second = Create(kIntranet, mine.first);
  EXPECT_EQ(second.first, mine.first);
  Create(kIntranet, mine.first);
  Answer(Post("/create", {{"progid", "Test.Probe"}, {"session", mine.first}}), 403);
  EXPECT_EQ(seen_->alive, 4);

  // Released one by one, or all at once by a leaving page's beacon.
  EXPECT_EQ(Answer(Post("/release", {{"session", mine.first}, {"instance", second.second}})).at("released"), 1);
  Call(second, "Text", "get", Json::array(), kIntranet, 404);
  Request beacon = Post("/release", {{"session", mine.first}});
  beacon.content_type = "text/plain;charset=UTF-8";
  EXPECT_EQ(Answer(beacon).at("released"), 2);
  EXPECT_EQ(seen_->alive, 1);
  Call(mine, "Text", "get", Json::array(), kIntranet, 404);
}

TEST_F(BridgeTest, IdlePagesLoseTheirControls) {
  const auto quiet = Create();
  const auto busy = Create();
  now_ += std::chrono::seconds(50);
  Answer(Post("/touch", {{"session", busy.first}}));
  now_ += std::chrono::seconds(50);
  bridge_->Sweep();
  EXPECT_EQ(seen_->alive, 1);
  Call(quiet, "Text", "get", Json::array(), kIntranet, 404);
  Call(busy, "Text", "get", Json::array());
  now_ += std::chrono::seconds(61);
  bridge_->Sweep();
  EXPECT_EQ(seen_->alive, 0);
  EXPECT_EQ(bridge_->session_count(), 0u);
}

// Through the server: calls from many connections reach the controls one at
// a time, all on the thread that serves.
TEST_F(BridgeTest, CallsAreServedOneAtATimeOnOneThread) {
  BridgeServer server(*bridge_);
  const int port = server.Bind(0);
  ASSERT_GT(port, 0);
  std::thread::id serving;
  std::thread serve([&] {
    serving = std::this_thread::get_id();
    server.Serve();
  });
  const std::string host = "127.0.0.1:" + std::to_string(port);
  const httplib::Headers headers = {{"Host", host}, {"Origin", kIntranet}};
  httplib::Client first("127.0.0.1", port);
  auto created = first.Post("/create", headers, R"({"progid":"Test.Probe"})", "application/json");
  ASSERT_TRUE(created);
  ASSERT_EQ(created->status, 200) << created->body;
  const Json made = Json::parse(created->body);
  const std::string call =
      Json{{"session", made["session"]}, {"instance", made["instance"]}, {"member", "Slow"}, {"kind", "call"}}.dump();
  std::vector<std::thread> clients;
  std::atomic<int> answered{0};
  for (int i = 0; i < 6; ++i) {
    clients.emplace_back([&] {
      httplib::Client c("127.0.0.1", port);
      for (int k = 0; k < 5; ++k) {
        auto r = c.Post("/call", headers, call, "application/json");
        if (r && r->status == 200) ++answered;
      }
    });
  }
  for (std::thread& t : clients) t.join();
  // What the HTTP layer refuses says why too.
  auto big = first.Post("/call", headers, std::string(5000, ' '), "application/json");
  server.Stop();
  serve.join();
  EXPECT_EQ(answered, 30);
  EXPECT_EQ(seen_->most_busy, 1);
  ASSERT_EQ(seen_->threads.size(), 30u);
  for (std::thread::id id : seen_->threads) EXPECT_EQ(id, serving);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->status, 413);
  EXPECT_EQ(big->get_header_value("Access-Control-Allow-Origin"), kIntranet);
  EXPECT_NE(big->body.find("refused"), std::string::npos);
}

// While a call is in a modal loop (the remark window) the loop may hand the
// bridge requests: the calling page's wait for the call, another page is told
// at once that the bridge is busy, and what touches no control is answered.
// The browser run shows the first two with a real window.
TEST_F(BridgeTest, WhileACallIsInAModalLoopItsPageWaitsAndOthersAreBusy) {
  const auto page = Create(), other = Create();
  const struct {
    Request request;
    bool waits, busy;
  } cases[] = {
      {Post("/release", {{"session", page.first}}), true, false},
      {Post("/create", {{"progid", "Test.Probe"}, {"session", other.first}}), false, true},
      {Post("/create", {{"progid", "Test.Probe"}}), false, true},
      {Post("/touch", {{"session", other.first}}), false, false},
      {Post("/release", {{"session", other.first}}), false, false},  // another page may leave meanwhile
  };
  const int created = seen_->created;
  int loops = 0;
  seen_->modal = [&] {
    ++loops;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.request.body);
      EXPECT_EQ(bridge_->WaitsForCall(Bridge::SessionOf(c.request)), c.waits);
      if (c.waits) continue;
      const Json j = Answer(c.request);
      EXPECT_EQ(j.contains("error"), c.busy) << j;
      if (c.busy) {
        EXPECT_EQ(j["error"]["number"], kBusy);
      }
    }
  };
  EXPECT_EQ(Call(page, "Modal", "call", Json::array()).at("value"), nullptr);
  EXPECT_EQ(loops, 1);
  EXPECT_EQ(seen_->created, created);
  EXPECT_EQ(seen_->alive, 1);
  EXPECT_FALSE(bridge_->WaitsForCall(page.first));
}

TEST_F(BridgeTest, AControlsOwnWindowIsWhereThePageSaysAndGoesWithIt) {
  const auto page = Create();
  const auto pad = Create(kIntranet, page.first, "Test.Pad");
  const auto other = Create();
  auto window = [](const std::pair<std::string, long long>& c, Json fields) {
    fields["session"] = c.first;
    fields["instance"] = c.second;
    return Post("/window", fields);
  };
  auto at = [](Json left, int top, int width, int height) {
    return Json{{"show", true}, {"left", left}, {"top", top}, {"width", width}, {"height", height}};
  };
  const struct {
    Request request;
    int status;
    const char* why;
  } refused[] = {
      {window(pad, {{"left", 1}}), 400, "\"show\" must be true or false"},
      {window(pad, {{"show", true}}), 400, "\"left\" must be an integer"},
      {window(pad, at(0.5, 0, 396, 235)), 400, "\"left\" must be an integer"},
      {window(pad, at(0, 0, 396, 9000)), 400, "\"height\" must be from 1 to 8192"},
      {window(pad, at(40000, 0, 396, 235)), 400, "\"left\" must be from -32767 to 32767"},
      {window(page, at(0, 0, 396, 235)), 400, "Test.Probe has no window of its own"},
      {window({other.first, pad.second}, at(0, 0, 396, 235)), 404, "no such control"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.why);
    EXPECT_NE(Answer(r.request, r.status).at("refused").get<std::string>().find(r.why), std::string::npos);
  }
  EXPECT_EQ(seen_->windows, 0);
  // Shown, moved and resized, hidden, shown again; it goes before the pad.
  EXPECT_EQ(Answer(window(pad, at(-20, 300, 396, 235))).at("shown"), true);
  EXPECT_EQ(Answer(window(pad, at(40, 60, 300, 200))).at("shown"), true);
  EXPECT_EQ(seen_->windows, 1);
  ASSERT_EQ(seen_->placed.size(), 2u);
  for (const auto& [p, expected] : {std::pair{seen_->placed[0], std::vector<int>{-20, 300, 396, 235}},
                                    std::pair{seen_->placed[1], std::vector<int>{40, 60, 300, 200}}}) {
    EXPECT_EQ((std::vector<int>{p.left, p.top, p.width, p.height}), expected);
  }
  EXPECT_EQ(Answer(window(pad, {{"show", false}})).at("shown"), false);
  EXPECT_EQ(seen_->windows, 0);
  Answer(window(pad, at(0, 0, 396, 235)));
  Answer(Post("/release", {{"session", page.first}}));
  EXPECT_EQ(seen_->windows, 0);
}

}  // namespace
}  // namespace kit::bridge
