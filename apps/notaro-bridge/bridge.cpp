#include "apps/notaro-bridge/bridge.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <exception>
#include <limits>
#include <utility>

#include "apps/notaro-host/script_host.h"
#include "ports/automation.h"
#include "sitelock/site_lock.h"

namespace kit::bridge {

using automation::AutomationError;
using automation::IDispatchObject;
using automation::InvokeKind;
using automation::MemberKind;
using automation::Variant;
using automation::VarType;
using Json = nlohmann::json;

namespace {

// Numbered and worded as the script engine of the browsers that hosted the
// controls reports them, so that a page's catch blocks keep working.
constexpr const char* kCantCreateText = "Automation server can't create object";
constexpr const char* kNoSuchMemberText = "Object doesn't support this property or method";
constexpr std::size_t kMaxName = 256;
// Screen coordinates as the desktop's window calls take them.
constexpr long long kMaxCoordinate = 32767;

// A page as the site lock sees it: its origin is its address, zoned as the
// desktop zones addresses, with the office's site list.
class OriginPage : public IPageSite {
 public:
  OriginPage(std::string origin, const std::string& site_list,
             const std::function<UrlZone(const std::string&)>& zone_of)
      : origin_(std::move(origin)), site_list_(site_list), zone_of_(zone_of) {}
  bool OnPage() override { return true; }
  std::string PageAddress() override { return origin_; }
  UrlZone ZoneOf(const std::string& address) override { return zone_of_(address); }
  std::string SiteList() override { return site_list_; }

 private:
  std::string origin_;
  std::string site_list_;
  std::function<UrlZone(const std::string&)> zone_of_;
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string s) {
  for (char& c : s) c = Lower(c);
  return s;
}

// The media type without its parameters, in lower case.
std::string MediaType(const std::string& content_type) {
  std::string type = content_type.substr(0, content_type.find(';'));
  while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.pop_back();
  return LowerCase(type);
}

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

Response JsonAnswer(const Json& j) {
  Response r;
  r.content_type = "application/json; charset=utf-8";
  r.body = Dump(j);
  return r;
}

// A request the page made wrongly: refused before anything is done.
struct BadRequest {
  int status;
  std::string why;
};

const std::string& StringField(const Json& body, const char* name, std::size_t limit) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_string()) throw BadRequest{400, std::string("\"") + name + "\" must be a string"};
  const std::string& s = it->get_ref<const std::string&>();
  if (s.size() > limit) throw BadRequest{413, std::string("\"") + name + "\" is too long"};
  return s;
}

std::optional<std::string> OptionalString(const Json& body, const char* name, std::size_t limit) {
  if (!body.contains(name) || body[name].is_null()) return std::nullopt;
  return StringField(body, name, limit);
}

std::optional<long long> OptionalInstance(const Json& body) {
  auto it = body.find("instance");
  if (it == body.end() || it->is_null()) return std::nullopt;
  if (!it->is_number_integer()) throw BadRequest{400, "\"instance\" must be an integer"};
  return it->get<long long>();
}

// As the script host converts a script value for an automation member.
Variant ArgumentOf(const Json& j, const ICodePage& codepage) {
  switch (j.type()) {
    case Json::value_t::null: return Variant();
    case Json::value_t::boolean: return Variant::Bool(j.get<bool>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: {
      const double d = j.get<double>();
      if (d >= -2147483648.0 && d <= 2147483647.0 && d == std::trunc(d)) {
        return Variant::I4(static_cast<std::int32_t>(d));
      }
      return Variant::R8(d);
    }
    case Json::value_t::string: return Variant::Str(codepage.FromUtf8(j.get_ref<const std::string&>()));
    default:
      throw AutomationError(hr::TypeMismatch,
                            "Type mismatch: a script object cannot be passed to an automation member");
  }
}

Json ValueOf(const Variant& v, const ICodePage& codepage) {
  switch (v.type()) {
    case VarType::I2:
    case VarType::I4: return v.AsI4();
    case VarType::R8: return std::isfinite(v.AsR8()) ? Json(v.AsR8()) : Json(nullptr);
    case VarType::Bool: return v.AsBool();
    case VarType::Error: return v.AsError();
    case VarType::Bstr: return codepage.ToUtf8(v.AsStr());
    // Objects stay with the bridge: no member of the controls returns one.
    case VarType::Dispatch:
    case VarType::Empty:
    case VarType::Variant: break;
  }
  return nullptr;
}

Json ErrorOf(HResult number, const std::string& source, const std::string& description) {
  return Json{{"error", {{"number", number}, {"source", source}, {"description", description}}}};
}

// "Notaro.NotaroCtrl.1" -> "Notaro": the name the control's errors carry.
std::string SourceOf(const std::string& progid) { return progid.substr(0, progid.find('.')); }

}  // namespace

namespace {

std::optional<std::string> QueryString(ISettingsStore& store, RegRoot root, const char* name) {
  std::optional<RegValue> v = store.ReadValue(root, sitelock::kSiteListKey, name);
  if (!v || v->type != reg::kSz) return std::nullopt;
  std::string data(v->data.begin(), v->data.end());
  return data.substr(0, data.find('\0'));
}

std::optional<int> QueryPort(ISettingsStore& store, RegRoot root) {
  std::optional<RegValue> v = store.ReadValue(root, sitelock::kSiteListKey, kPortValue);
  if (!v || v->type != reg::kDword || v->data.size() != 4) return std::nullopt;
  const std::uint32_t value = static_cast<std::uint32_t>(v->data[0]) | static_cast<std::uint32_t>(v->data[1]) << 8 |
                              static_cast<std::uint32_t>(v->data[2]) << 16 |
                              static_cast<std::uint32_t>(v->data[3]) << 24;
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

namespace {
bool ParseNumber(const std::string& text, long max, long* out) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != '\0' || n < 0 || n > max) return false;
  *out = n;
  return true;
}
}  // namespace

bool TakeSettingsOption(const std::vector<std::string>& args, std::size_t& i, Settings& settings) {
  const std::string& arg = args[i];
  const bool hasValue = i + 1 < args.size();
  long n = 0;
  if (arg == "--port" && hasValue && ParseNumber(args[i + 1], 65535, &n)) {
    settings.port = static_cast<int>(n);
  } else if (arg == "--site-list" && hasValue) {
    settings.site_list = args[i + 1];
  } else if (arg == "--idle" && hasValue && ParseNumber(args[i + 1], 7 * 24 * 3600, &n) && n > 0) {
    settings.idle = std::chrono::seconds(n);
  } else {
    return false;
  }
  ++i;
  return true;
}

Settings ReadSettings(ISettingsStore& store, const ICodePage& codepage) {
  Settings settings;
  for (RegRoot root : {RegRoot::kLocalMachine, RegRoot::kCurrentUser}) {
    if (std::optional<int> port = QueryPort(store, root)) settings.port = *port;
    if (root == RegRoot::kLocalMachine) {
      if (std::optional<std::string> list = QueryString(store, root, sitelock::kSiteListValue)) {
        settings.site_list = codepage.ToUtf8(*list);
      }
    }
  }
  return settings;
}

Response Refusal(int status, const std::string& why) {
  Response r = JsonAnswer(Json{{"refused", why}});
  r.status = status;
  return r;
}

namespace {

// A control of a page: the page reaches it through the site lock; its window
// is the control's own and goes before it.
struct Instance {
  std::shared_ptr<IDispatchObject> control;
  std::shared_ptr<IDispatchObject> locked;
  std::string progid;
  std::unique_ptr<IControlWindow> window;
};

long long IntegerField(const Json& body, const char* name, long long lowest, long long highest) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_number_integer()) throw BadRequest{400, std::string("\"") + name + "\" must be an integer"};
  const long long v = it->get<long long>();
  if (v < lowest || v > highest) {
    throw BadRequest{400, std::string("\"") + name + "\" must be from " + std::to_string(lowest) + " to " +
                              std::to_string(highest)};
  }
  return v;
}

}  // namespace

struct Bridge::Session {
  std::string origin;
  std::shared_ptr<OriginPage> page;
  std::map<long long, Instance> instances;
  Clock::time_point last_used;
};

Bridge::Bridge(Ports ports, Settings settings, std::string script)
    : ports_(std::move(ports)), codepage_(*ports_.codepage), settings_(std::move(settings)), script_(std::move(script)) {}

Bridge::~Bridge() = default;

bool Bridge::OriginAnswered(const std::string& origin) const {
  OriginPage page(origin, settings_.site_list, ports_.zone_of);
  return sitelock::IsAnswered(page);
}

void Bridge::AddCorsHeaders(const Request& request, Response& response) const {
  if (!request.origin || !OriginAnswered(*request.origin)) return;
  response.headers.emplace_back("Access-Control-Allow-Origin", *request.origin);
  response.headers.emplace_back("Vary", "Origin");
}

std::size_t Bridge::instance_count() const {
  std::size_t n = 0;
  for (const auto& [token, session] : sessions_) n += session->instances.size();
  return n;
}

Response Bridge::Handle(const Request& request) {
  Response r = Answer(request);
  if (r.status >= 400 && ports_.refused) ports_.refused(request, r);
  return r;
}

Response Bridge::Answer(const Request& request) {
  // A page of another site can make a host name resolve to the loopback
  // address (DNS rebinding); its requests then name that host.
  const std::string port = std::to_string(settings_.port);
  const std::string host = LowerCase(request.host.value_or(std::string()));
  if (host != "127.0.0.1:" + port && host != "localhost:" + port) {
    return Refusal(403, "foreign Host \"" + request.host.value_or(std::string()) +
                            "\": the bridge answers requests to 127.0.0.1:" + port + " only");
  }
  // A second user of the desktop whose bridge could not have the port would
  // otherwise drive this user's controls.
  if (ports_.same_user && !ports_.same_user(request.peer_port, settings_.port)) {
    return Refusal(403, "the request comes from another user's program on this computer");
  }
  if (request.method == "GET" && request.path == "/notaro.js") {
    Response r;
    r.content_type = "text/javascript; charset=utf-8";
    r.body = script_;
    r.headers.emplace_back("Cache-Control", "no-cache");
    r.headers.emplace_back("X-Content-Type-Options", "nosniff");
    return r;
  }
  if (!request.origin) return Refusal(403, "no Origin: the bridge answers pages only");
  if (!OriginAnswered(*request.origin)) {
    return Refusal(403, "the page's origin " + *request.origin + " is not one of the office's sites");
  }
  Response r;
  if (request.method == "OPTIONS") {
    if (request.preflight_method != "POST") {
      r = Refusal(405, "only POST requests are answered");
    } else {
      r.status = 204;
      r.headers.emplace_back("Access-Control-Allow-Methods", "POST");
      r.headers.emplace_back("Access-Control-Allow-Headers", "Content-Type");
      r.headers.emplace_back("Access-Control-Max-Age", "600");
      if (request.preflight_private_network) r.headers.emplace_back("Access-Control-Allow-Private-Network", "true");
    }
  } else if (request.method != "POST") {
    r = Refusal(request.method == "GET" ? 404 : 405, "no such resource: " + request.method + " " + request.path);
  } else if (request.body.size() > settings_.max_body) {
    r = Refusal(413, "the request is longer than " + std::to_string(settings_.max_body) + " bytes");
  } else {
    // A page that leaves sends its release as a beacon, which is plain text.
    const std::string type = MediaType(request.content_type);
    const bool beacon = request.path == "/release" || request.path == "/touch";
    if (type != "application/json" && !(beacon && type == "text/plain")) {
      r = Refusal(415, "the request must be application/json");
    } else if (request.path == "/create") {
      r = Create(request);
    } else if (request.path == "/call") {
      r = Call(request);
    } else if (request.path == "/release") {
      r = Release(request);
    } else if (request.path == "/touch") {
      r = Touch(request);
    } else if (request.path == "/window") {
      r = Window(request);
    } else {
      r = Refusal(404, "no such resource: POST " + request.path);
    }
  }
  AddCorsHeaders(request, r);
  return r;
}

Bridge::Session* Bridge::FindSession(const Request& request, const std::string& token) {
  auto it = sessions_.find(token);
  // A page's session is its own: another origin holding its token gets
  // the answer a wrong token gets.
  if (it == sessions_.end() || it->second->origin != *request.origin) return nullptr;
  return it->second.get();
}

namespace {
Json ParseBody(const std::string& body) {
  Json j = Json::parse(body, nullptr, false);
  if (j.is_discarded() || !j.is_object()) throw BadRequest{400, "the request is not a JSON object"};
  return j;
}
}  // namespace

Response Bridge::Create(const Request& request) {
  Json body;
  std::string progid;
  std::optional<std::string> token;
  try {
    body = ParseBody(request.body);
    progid = StringField(body, "progid", kMaxName);
    token = OptionalString(body, "session", kMaxName);
  } catch (const BadRequest& e) {
    return Refusal(e.status, e.why);
  }
  // A page whose session has run out starts a new one.
  Session* session = token ? FindSession(request, *token) : nullptr;
  if (session == nullptr && sessions_.size() >= settings_.max_sessions) {
    return Refusal(403, "too many pages hold controls");
  }
  if (session != nullptr && session->instances.size() >= settings_.max_instances) {
    return Refusal(403, "the page holds too many controls");
  }
  if (std::optional<Response> busy = Busy(token.value_or(std::string()))) return *busy;
  std::shared_ptr<IDispatchObject> object;
  try {
    object = ports_.registry->Create(progid);
  } catch (...) {
    // The script engine reports every failure to create the same way.
  }
  if (object == nullptr) return JsonAnswer(ErrorOf(script::kCantCreateObject, "", kCantCreateText));
  std::string new_token;
  if (session == nullptr) {
    new_token = ports_.new_token();
    auto fresh = std::make_unique<Session>();
    fresh->origin = *request.origin;
    fresh->page = std::make_shared<OriginPage>(*request.origin, settings_.site_list, ports_.zone_of);
    session = fresh.get();
    sessions_[new_token] = std::move(fresh);
    token = new_token;
  }
  session->last_used = ports_.clock();
  // The control judges its page itself too, as in a browser's page.
  auto page = session->page;
  auto lock = std::shared_ptr<sitelock::SiteLock>(new sitelock::SiteLock(*page),
                                                  [page](sitelock::SiteLock* l) { delete l; });
  const long long id = next_instance_++;
  Instance& made = session->instances[id];
  made.control = object;
  made.locked = sitelock::Locked(object, lock, SourceOf(progid));
  made.progid = progid;
  Json members = Json::array();
  for (const automation::MemberInfo& m : object->Members().members()) {
    members.push_back({{"name", m.name}, {"kind", m.kind == MemberKind::Property ? "property" : "method"}});
  }
  return JsonAnswer(Json{{"session", *token}, {"instance", id}, {"members", std::move(members)}});
}

Response Bridge::Call(const Request& request) {
  Json body;
  std::string token, member, kind_name;
  long long id = 0;
  std::vector<Variant> args;
  Session* session = nullptr;
  std::shared_ptr<IDispatchObject> object;
  try {
    body = ParseBody(request.body);
    token = StringField(body, "session", kMaxName);
    std::optional<long long> instance = OptionalInstance(body);
    if (!instance) throw BadRequest{400, "\"instance\" is missing"};
    id = *instance;
    member = StringField(body, "member", kMaxName);
    kind_name = StringField(body, "kind", kMaxName);
    if (kind_name != "get" && kind_name != "put" && kind_name != "call") {
      throw BadRequest{400, "\"kind\" must be get, put or call"};
    }
    session = FindSession(request, token);
    if (session == nullptr) throw BadRequest{404, "no such session for this page"};
    auto it = session->instances.find(id);
    if (it == session->instances.end()) throw BadRequest{404, "no such control in this page's session"};
    object = it->second.locked;
    const std::string source = SourceOf(it->second.progid);
    const Json none = Json::array();
    auto given = body.find("args");
    const Json& list = given == body.end() || given->is_null() ? none : *given;
    if (!list.is_array()) throw BadRequest{400, "\"args\" must be an array"};
    if (list.size() > settings_.max_args) throw BadRequest{413, "too many arguments"};
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i].is_string() && list[i].get_ref<const std::string&>().size() > settings_.max_string) {
        throw BadRequest{413, "argument " + std::to_string(i + 1) + " is longer than " +
                                  std::to_string(settings_.max_string) + " bytes"};
      }
    }
    const InvokeKind kind = kind_name == "get"   ? InvokeKind::PropertyGet
                            : kind_name == "put" ? InvokeKind::PropertyPut
                                                 : InvokeKind::Method;
    if (std::optional<Response> busy = Busy(token)) return *busy;
    Json answer;
    try {
      const std::optional<automation::DispId> dispid = object->Members().IdOfName(member);
      if (!dispid) throw AutomationError(script::kNoSuchMember, kNoSuchMemberText);
      for (const Json& a : list) args.push_back(ArgumentOf(a, codepage_));
      // However the call ends, the one it ran within (if any) is the running one again.
      struct Restore {
        std::optional<Running>& slot;
        std::optional<Running> outer;
        ~Restore() { slot = std::move(outer); }
      } restore{running_, std::exchange(running_, Running{token, source + "." + member})};
      const Variant result = object->Invoke(*dispid, kind, args);
      answer = Json{{"value", ValueOf(result, codepage_)}};
    } catch (const AutomationError& e) {
      answer = ErrorOf(e.code(), codepage_.ToUtf8(e.source()), codepage_.ToUtf8(e.what()));
    } catch (const std::exception& e) {
      answer = ErrorOf(hr::Fail, "", codepage_.ToUtf8(e.what()));
    } catch (...) {
      answer = ErrorOf(hr::Fail, "", "Unexpected error");
    }
    // A long call (the remark window) is not idle time. The page is looked
    // up again: a host that answered requests during the call may have let
    // it go.
    if (Session* still = FindSession(request, token)) still->last_used = ports_.clock();
    return JsonAnswer(answer);
  } catch (const BadRequest& e) {
    return Refusal(e.status, e.why);
  }
}

Response Bridge::Release(const Request& request) {
  try {
    const Json body = ParseBody(request.body);
    const std::string token = StringField(body, "session", kMaxName);
    const std::optional<long long> id = OptionalInstance(body);
    Session* session = FindSession(request, token);
    if (session == nullptr) throw BadRequest{404, "no such session for this page"};
    if (!id) {
      const std::size_t n = session->instances.size();
      sessions_.erase(token);
      return JsonAnswer(Json{{"released", n}});
    }
    if (session->instances.erase(*id) == 0) throw BadRequest{404, "no such control in this page's session"};
    session->last_used = ports_.clock();
    return JsonAnswer(Json{{"released", 1}});
  } catch (const BadRequest& e) {
    return Refusal(e.status, e.why);
  }
}

Response Bridge::Window(const Request& request) {
  try {
    const Json body = ParseBody(request.body);
    const std::string token = StringField(body, "session", kMaxName);
    const std::optional<long long> id = OptionalInstance(body);
    if (!id) throw BadRequest{400, "\"instance\" is missing"};
    auto show = body.find("show");
    if (show == body.end() || !show->is_boolean()) throw BadRequest{400, "\"show\" must be true or false"};
    WindowPlace place;
    if (show->get<bool>()) {
      place.left = static_cast<int>(IntegerField(body, "left", -kMaxCoordinate, kMaxCoordinate));
      place.top = static_cast<int>(IntegerField(body, "top", -kMaxCoordinate, kMaxCoordinate));
      place.width = static_cast<int>(IntegerField(body, "width", 1, kMaxWindowSide));
      place.height = static_cast<int>(IntegerField(body, "height", 1, kMaxWindowSide));
    }
    Session* session = FindSession(request, token);
    if (session == nullptr) throw BadRequest{404, "no such session for this page"};
    auto it = session->instances.find(*id);
    if (it == session->instances.end()) throw BadRequest{404, "no such control in this page's session"};
    if (std::optional<Response> busy = Busy(token)) return *busy;
    session->last_used = ports_.clock();
    Instance& instance = it->second;
    if (!show->get<bool>()) {
      instance.window.reset();
      return JsonAnswer(Json{{"shown", false}});
    }
    if (instance.window) {
      instance.window->Place(place);
    } else if (ports_.open_window) {
      instance.window = ports_.open_window(*instance.control, place);
    }
    if (!instance.window) throw BadRequest{400, instance.progid + " has no window of its own"};
    return JsonAnswer(Json{{"shown", true}});
  } catch (const BadRequest& e) {
    return Refusal(e.status, e.why);
  }
}

std::optional<Response> Bridge::Busy(const std::string& token) const {
  if (!running_ || running_->session == token) return std::nullopt;
  return JsonAnswer(ErrorOf(kBusy, "notaro-bridge",
                            "The application is busy: notaro-bridge shows a window for another page (" +
                                running_->what + "); nothing was done, try again once that window is closed"));
}

std::string Bridge::SessionOf(const Request& request) {
  if (request.method != "POST") return std::string();
  const Json body = Json::parse(request.body, nullptr, false);
  if (!body.is_object()) return std::string();
  auto it = body.find("session");
  return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

Response Bridge::Touch(const Request& request) {
  try {
    const Json body = ParseBody(request.body);
    Session* session = FindSession(request, StringField(body, "session", kMaxName));
    if (session == nullptr) throw BadRequest{404, "no such session for this page"};
    session->last_used = ports_.clock();
    return JsonAnswer(Json{{"instances", session->instances.size()}});
  } catch (const BadRequest& e) {
    return Refusal(e.status, e.why);
  }
}

void Bridge::Sweep() {
  const Clock::time_point now = ports_.clock();
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    const bool calling = running_ && running_->session == it->first;
    if (now - it->second->last_used > settings_.idle && !calling) {
      it = sessions_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace kit::bridge
