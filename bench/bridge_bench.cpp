// One member call of the remark control through notaro-bridge, against a
// plain loopback HTTP round trip of the same size (the same request and
// answer bytes) to a trivial server in the same run; and a call carrying a
// 1 MB string argument against the same kind of floor. Both servers run in
// this process with the same HTTP library, and one client with keep-alive
// asks them in turn.
//
// With --windows-bridge PORT the same calls also go, in the same rounds and
// against the same floor, to NotaroBridge.exe listening on that port (under
// wine: started with --any-local-user --site-list http://10.0.0.8).
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "apps/notaro-bridge/bridge.h"
#include "apps/notaro-bridge/bridge_server.h"
#include "platform/posix/posix_loopback_peer.h"
#include "platform/posix/posix_page_site.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"

namespace {

constexpr const char* kOrigin = "http://10.0.0.8";
constexpr std::size_t kLargeBytes = std::size_t{1} << 20;

struct Call {
  std::string path;
  std::string body;
  std::string answer;  // what the bridge answers, byte for byte
};

struct Setup {
  int bridge_port = 0;
  int floor_port = 0;
  int windows_port = 0;  // 0: no Windows bridge
  Call member;  // get PenWidth
  Call large;   // LoadFromFile with a 1 MB name
  Call windows_member, windows_large;  // the same, to the Windows bridge
  // The trivial server's answers, by the length and the end of the
  // request's body (the session token ends it), so that looking one up
  // costs the floor next to nothing.
  std::map<std::string, std::string> floor_answers;
};

std::string FloorKey(const std::string& body) {
  return std::to_string(body.size()) + body.substr(body.size() > 48 ? body.size() - 48 : 0);
}
Setup* g_setup = nullptr;

httplib::Headers HeadersFor(int port) {
  return {{"Host", "127.0.0.1:" + std::to_string(port)}, {"Origin", kOrigin}};
}

void RoundTrips(benchmark::State& state, int port, const std::string& path, const Call& call) {
  httplib::Client client("127.0.0.1", port);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  const httplib::Headers headers = HeadersFor(port);
  for (auto _ : state) {
    auto r = client.Post(path.c_str(), headers, call.body, "application/json");
    if (!r || r->status != 200 || r->body != call.answer) {
      state.SkipWithError("the answer is not the expected one");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(call.body.size() + call.answer.size()));
}

void MemberCall_Floor(benchmark::State& state) { RoundTrips(state, g_setup->floor_port, "/floor", g_setup->member); }
void MemberCall_Bridge(benchmark::State& state) { RoundTrips(state, g_setup->bridge_port, "/call", g_setup->member); }
void LargeArgument_Floor(benchmark::State& state) { RoundTrips(state, g_setup->floor_port, "/floor", g_setup->large); }
void LargeArgument_Bridge(benchmark::State& state) {
  RoundTrips(state, g_setup->bridge_port, "/call", g_setup->large);
}
void MemberCall_WindowsBridge(benchmark::State& state) {
  RoundTrips(state, g_setup->windows_port, "/call", g_setup->windows_member);
}
void LargeArgument_WindowsBridge(benchmark::State& state) {
  RoundTrips(state, g_setup->windows_port, "/call", g_setup->windows_large);
}

// The bridge's own part: the same requests handed to a second bridge
// directly, without HTTP or threads (its control made the same way).
kit::bridge::Bridge* g_direct = nullptr;
kit::bridge::Request g_directMember, g_directLarge;

void Protocol(benchmark::State& state, const kit::bridge::Request& request, const Call& call) {
  for (auto _ : state) {
    const kit::bridge::Response r = g_direct->Handle(request);
    if (r.body != call.answer) {
      state.SkipWithError("the answer is not the expected one");
      break;
    }
  }
}
void MemberCall_ProtocolAlone(benchmark::State& state) { Protocol(state, g_directMember, g_setup->member); }
void LargeArgument_ProtocolAlone(benchmark::State& state) { Protocol(state, g_directLarge, g_setup->large); }

// Floor and bridge alternate, round after round, so that a change in the
// machine's load hits both; each round gives a ratio, and the median is the
// figure.
constexpr int kRounds = 5;
using BenchFunction = void (*)(benchmark::State&);
const std::pair<const char*, BenchFunction> kPairs[] = {
    {"MemberCall_Floor", MemberCall_Floor},
    {"MemberCall_Bridge", MemberCall_Bridge},
    {"MemberCall_ProtocolAlone", MemberCall_ProtocolAlone},
    {"LargeArgument_Floor", LargeArgument_Floor},
    {"LargeArgument_Bridge", LargeArgument_Bridge},
    {"LargeArgument_ProtocolAlone", LargeArgument_ProtocolAlone},
};

const std::pair<const char*, BenchFunction> kWindowsPairs[] = {
    {"MemberCall_WindowsBridge", MemberCall_WindowsBridge},
    {"LargeArgument_WindowsBridge", LargeArgument_WindowsBridge},
};

void RegisterRounds(bool windows) {
  auto add = [](const char* name, BenchFunction function, int round) {
    benchmark::RegisterBenchmark((std::string(name) + "#" + std::to_string(round)).c_str(), function)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.5);
  };
  for (int round = 1; round <= kRounds; ++round) {
    for (const auto& [name, function] : kPairs) add(name, function, round);
    if (!windows) continue;
    for (const auto& [name, function] : kWindowsPairs) add(name, function, round);
  }
}

std::map<std::string, double> g_seconds;

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
        g_seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

// The median over the rounds of bridge / floor, with the spread.
void Ratio(const char* label, const std::string& bridge, const std::string& floor) {
  std::vector<double> ratios;
  for (int round = 1; round <= kRounds; ++round) {
    const std::string n = "#" + std::to_string(round);
    const auto b = g_seconds.find(bridge + n), f = g_seconds.find(floor + n);
    if (b != g_seconds.end() && f != g_seconds.end()) ratios.push_back(b->second / f->second);
  }
  if (ratios.empty()) return;
  std::sort(ratios.begin(), ratios.end());
  std::cout << label << ": " << ratios[ratios.size() / 2] << "x of the plain round trip (median of "
            << ratios.size() << " rounds; " << ratios.front() << "x to " << ratios.back() << "x)\n";
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  int windowsPort = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--windows-bridge" && i + 1 < argc) {
      windowsPort = std::atoi(argv[++i]);
    } else {
      std::cerr << "usage: bridge_bench [benchmark options] [--windows-bridge PORT]\n";
      return 2;
    }
  }
  const kit::Platform& platform = kit::DefaultPlatform();
  kit::ClassRegistry registry;
  kit::remark::RegisterNotaroControl(registry);
  kit::bridge::Bridge::Ports ports;
  ports.registry = &registry;
  ports.codepage = platform.codepage;
  ports.zone_of = kit::posix::ZoneOfAddress;
  ports.new_token = [] { return std::string("0123456789abcdef0123456789abcdef"); };
  ports.same_user = [](int peer, int local) { return kit::posix::LoopbackPeerUser(peer, local) == ::getuid(); };
  kit::bridge::Bridge bridge(ports, kit::bridge::Settings(), "");
  kit::bridge::BridgeServer bridgeServer(bridge);
  Setup setup;
  g_setup = &setup;
  setup.bridge_port = bridgeServer.Bind(0);
  if (setup.bridge_port <= 0) return 1;
  std::thread serving([&] { bridgeServer.Serve(); });

  // The trivial server answers each request with what the bridge answers to
  // the same bytes, with the same headers.
  httplib::Server floor;
  floor.set_tcp_nodelay(true);
  floor.set_keep_alive_max_count(1000);
  floor.Post("/floor", [&setup](const httplib::Request& req, httplib::Response& res) {
    res.set_header("Access-Control-Allow-Origin", kOrigin);
    res.set_header("Vary", "Origin");
    res.set_content(setup.floor_answers[FloorKey(req.body)], "application/json; charset=utf-8");
  });
  setup.floor_port = floor.bind_to_any_port("127.0.0.1");
  std::thread floorThread([&] { floor.listen_after_bind(); });
  while (!floor.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  // A long name in Chinese text, as the page gives it (UTF-8); the control
  // gets it in code page 936 and refuses it before any transfer.
  std::string name = "c:\\";
  while (name.size() + 3 <= kLargeBytes - 4) name += "批";
  name += ".dat";
  // A control on the bridge at `port`, and the two calls to it with the
  // bridge's answers, which the floor gives back for the same bytes. The
  // answer to the create.
  auto prepare = [&](int port, Call& member, Call& large, const char* which) {
    httplib::Client client("127.0.0.1", port);
    auto created = client.Post("/create", HeadersFor(port), R"({"progid":"Notaro.NotaroCtrl.1"})", "application/json");
    if (!created || created->status != 200) {
      std::cerr << which << " did not create the control: " << (created ? created->body : "no answer") << "\n";
      std::_Exit(1);
    }
    const nlohmann::json made = nlohmann::json::parse(created->body);
    auto body = [&made](const char* m, const char* kind, nlohmann::json args) {
      return nlohmann::json{{"session", made["session"]}, {"instance", made["instance"]}, {"member", m},
                            {"kind", kind}, {"args", std::move(args)}}
          .dump();
    };
    member.body = body("PenWidth", "get", nlohmann::json::array());
    large.body = body("LoadFromFile", "call", nlohmann::json::array({name}));
    for (Call* call : {&member, &large}) {
      auto r = client.Post("/call", HeadersFor(port), call->body, "application/json");
      if (!r || r->status != 200) {
        std::cerr << which << " did not answer the call: " << (r ? r->body : httplib::to_string(r.error())) << "\n";
        std::_Exit(1);
      }
      call->answer = r->body;
      setup.floor_answers[FloorKey(call->body)] = r->body;
    }
    std::cout << which << ": member call " << member.body.size() << " bytes out, " << member.answer
              << " back; large argument " << large.body.size() << " bytes out, " << large.answer << " back\n";
    return created->body;
  };
  const std::string created = prepare(setup.bridge_port, setup.member, setup.large, "notaro-bridge");
  if (windowsPort > 0) {
    setup.windows_port = windowsPort;
    prepare(windowsPort, setup.windows_member, setup.windows_large, "NotaroBridge.exe");
  }

  // Without a connection there is no peer to look up.
  kit::bridge::Bridge::Ports directPorts = ports;
  directPorts.same_user = nullptr;
  kit::bridge::Bridge direct(directPorts, kit::bridge::Settings(), "");
  g_direct = &direct;
  for (auto [request, call] : {std::pair{&g_directMember, &setup.member}, std::pair{&g_directLarge, &setup.large}}) {
    request->method = "POST";
    request->path = "/call";
    request->host = "127.0.0.1:" + std::to_string(kit::bridge::kDefaultPort);
    request->origin = kOrigin;
    request->content_type = "application/json";
    request->body = call->body;
  }
  kit::bridge::Request create = g_directMember;
  create.path = "/create";
  create.body = R"({"progid":"Notaro.NotaroCtrl.1"})";
  if (direct.Handle(create).body != created) {
    std::cerr << "the second bridge did not make the same control\n";
    std::_Exit(1);
  }

  RegisterRounds(setup.windows_port > 0);
  Recorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Ratio("one member call through the bridge", "MemberCall_Bridge", "MemberCall_Floor");
  Ratio("a 1 MB string argument through the bridge", "LargeArgument_Bridge", "LargeArgument_Floor");
  Ratio("the bridge's own part of a member call", "MemberCall_ProtocolAlone", "MemberCall_Floor");
  Ratio("the bridge's own part of a 1 MB argument", "LargeArgument_ProtocolAlone", "LargeArgument_Floor");
  if (setup.windows_port > 0) {
    Ratio("one member call through NotaroBridge.exe", "MemberCall_WindowsBridge", "MemberCall_Floor");
    Ratio("a 1 MB string argument through NotaroBridge.exe", "LargeArgument_WindowsBridge", "LargeArgument_Floor");
  }
  bridgeServer.Stop();
  serving.join();
  floor.stop();
  floorThread.join();
  benchmark::Shutdown();
  return 0;
}
