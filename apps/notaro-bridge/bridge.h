// The bridge between pages in browsers without ActiveX and the controls: a
// page creates a control by its ProgID, gets and puts its properties, calls
// its methods and releases it, each as a JSON request over HTTP to the
// loopback address. This is the protocol alone, without sockets: the server
// hands it each request and writes back what it answers.
//
//   GET  /notaro.js  the script pages load (to anyone: it is static)
//   POST /create     {"progid", "session"?}  -> {"session", "instance", "members"}
//   POST /call       {"session", "instance", "member", "kind": "get"|"put"|"call", "args"}
//                    -> {"value"} or {"error": {"number", "source", "description"}}
//   POST /release    {"session", "instance"?}  -> {"released"}  (no instance: all of the page's)
//   POST /touch      {"session"}  -> {"instances"}  (the page is still open)
//   POST /window     {"session", "instance", "show", "left", "top", "width", "height"}
//                    -> {"shown"}  (a control's own window: the signature pad)
//   OPTIONS          CORS preflights of the above
// A refused request does nothing and answers a 4xx status with
// {"refused": "why"}.
//
// A call that opens a modal window (OpenRemark, a message box) returns when
// the user closes it, as under ActiveX. Meanwhile the server may hand the
// bridge requests again (see WaitsForCall): the calling page's wait for the
// call, in order; another page's creates, calls and windows are answered
// with kBusy, which says so at once; releases and touches are answered.
#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ports/class_registry.h"
#include "ports/codepage.h"
#include "ports/hresult.h"
#include "ports/page_site.h"
#include "ports/settings.h"

namespace kit::bridge {

// The port pages find the bridge on unless the settings name another.
constexpr int kDefaultPort = 16936;

// What another page's call gets while a call opened a modal window:
// RPC_E_SERVERCALL_RETRYLATER, as COM answers a caller whose server is in a
// modal loop.
constexpr HResult kBusy = static_cast<HResult>(0x8001010Au);  // -2147417846

// Where a control's own window goes: its client area, in screen pixels.
struct WindowPlace {
  int left = 0, top = 0, width = 0, height = 0;
};
constexpr int kMaxWindowSide = 8192;

// A control's window on the desktop; it goes when this object does.
class IControlWindow {
 public:
  virtual ~IControlWindow() = default;
  virtual void Place(const WindowPlace& place) = 0;
};

struct Settings {
  int port = kDefaultPort;
  // The office's site list (origins separated by ';', UTF-8), as the
  // controls' site lock reads it.
  std::string site_list;
  // A page that has neither called nor said it is still open for this long
  // has its controls released.
  std::chrono::seconds idle{600};
  std::size_t max_body = std::size_t{8} << 20;
  // One string argument, in UTF-8 bytes.
  std::size_t max_string = std::size_t{4} << 20;
  std::size_t max_args = 16;
  std::size_t max_sessions = 256;
  std::size_t max_instances = 64;  // per page
};

// The kit's settings under the controls' key (the site lock's): the office's
// SiteList, and BridgePort (REG_DWORD) in HKEY_LOCAL_MACHINE, which a value
// of the same name in HKEY_CURRENT_USER overrides for one user.
constexpr const char* kPortValue = "BridgePort";
Settings ReadSettings(ISettingsStore& store, const ICodePage& codepage);
// The command-line options both bridges take over the settings (--port,
// --site-list, --idle) at args[i]; moves i past what it took. False when
// args[i] is none of them or its value is out of range.
bool TakeSettingsOption(const std::vector<std::string>& args, std::size_t& i, Settings& settings);

struct Request {
  std::string method;  // GET, POST, OPTIONS
  std::string path;    // without the query
  std::optional<std::string> host;
  std::optional<std::string> origin;
  int peer_port = -1;  // the client's port on the loopback address
  std::string content_type;
  std::string body;
  // Of a preflight: Access-Control-Request-Method and whether the browser
  // asks leave for a private network (Access-Control-Request-Private-Network).
  std::string preflight_method;
  bool preflight_private_network = false;
};

struct Response {
  int status = 200;
  std::string content_type;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

using Clock = std::chrono::steady_clock;

class Bridge {
 public:
  struct Ports {
    const ClassRegistry* registry = nullptr;
    const ICodePage* codepage = nullptr;
    // Puts an address in a security zone as the desktop does.
    std::function<UrlZone(const std::string&)> zone_of;
    // An unguessable session token.
    std::function<std::string()> new_token;
    std::function<Clock::time_point()> clock = [] { return Clock::now(); };
    // Whether the connection from 127.0.0.1:peer_port to the bridge's port
    // is made by this desktop user's programs: another user's pages must not
    // act on this user's files. Not asked when not given.
    std::function<bool(int peer_port, int local_port)> same_user;
    // Told of every refused request, to tell the desktop's user or IT why.
    std::function<void(const Request&, const Response&)> refused;
    // Shows a control that has a window of its own (the signature pad, which
    // a page under ActiveX holds in place) at `place`; null for a control
    // without one. Pages cannot show windows when not given.
    std::function<std::unique_ptr<IControlWindow>(automation::IDispatchObject& control, const WindowPlace& place)>
        open_window;
  };
  // `script` is notaro.js.
  Bridge(Ports ports, Settings settings, std::string script);
  ~Bridge();
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // The port the server listens on, when it asked for any free one.
  void SetPort(int port) { settings_.port = port; }
  const Settings& settings() const { return settings_; }

  // Answers one request. The caller serves requests one at a time on one
  // thread, in the order they arrived, as a browser calls its controls.
  Response Handle(const Request& request);
  // Releases the controls of pages idle for longer than the settings allow.
  void Sweep();
  // Whether the requests of the page with this session token must wait
  // until the call running now has returned: while a call is in a modal
  // loop, a server that answers requests from that loop leaves the calling
  // page's own requests queued, and answers them after the call, in their
  // order. Never while no call runs.
  bool WaitsForCall(const std::string& session) const {
    return running_.has_value() && running_->session == session;
  }
  // The session token a request names; empty when it names none.
  static std::string SessionOf(const Request& request);

  // Whether the site lock answers pages of `origin`; any thread may ask.
  bool OriginAnswered(const std::string& origin) const;
  // CORS headers for a response to `request`: the page's origin is let read
  // the answer only when the site lock answers it.
  void AddCorsHeaders(const Request& request, Response& response) const;

  std::size_t session_count() const { return sessions_.size(); }
  std::size_t instance_count() const;

 private:
  struct Session;
  Response Answer(const Request& request);
  Response Create(const Request& request);
  Response Call(const Request& request);
  Response Release(const Request& request);
  Response Touch(const Request& request);
  Response Window(const Request& request);
  Session* FindSession(const Request& request, const std::string& token);
  // Another page's request while a call runs: busy.
  std::optional<Response> Busy(const std::string& token) const;

  Ports ports_;
  const ICodePage& codepage_;
  Settings settings_;
  std::string script_;
  std::unordered_map<std::string, std::unique_ptr<Session>> sessions_;
  long long next_instance_ = 1;
  // The call under way: its page's session token and what it is.
  struct Running {
    std::string session;
    std::string what;
  };
  std::optional<Running> running_;
};

// A refusal: `status` with {"refused": why}.
Response Refusal(int status, const std::string& why);

}  // namespace kit::bridge
