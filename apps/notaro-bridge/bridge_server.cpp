#include "apps/notaro-bridge/bridge_server.h"

#include <httplib.h>
#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace kit::bridge {
namespace {

// Enough for a few pages' keep-alive connections (a browser opens up to six
// per host) without one page waiting for another's to time out.
constexpr std::size_t kIoThreads = 16;
constexpr auto kSweepEvery = std::chrono::seconds(1);

// A thread that waits for the other side first looks for a while before it
// sleeps: a page's call is answered in microseconds, and being woken costs
// as much again on a busy machine.
constexpr auto kLookBeforeSleeping = std::chrono::microseconds(50);

template <typename Ready>
bool LookFor(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kLookBeforeSleeping;
  for (int i = 0;; ++i) {
    if (ready()) return true;
    if ((i & 15) == 15 && std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::yield();
  }
}

struct Job {
  Request request;
  // The page's session token, read once it is needed.
  std::optional<std::string> session;
  Response answer;
  std::atomic<bool> answered{false};
  std::mutex mutex;
  std::condition_variable done;

  void Answer(Response r) {
    answer = std::move(r);
    answered.store(true, std::memory_order_release);
    // Taken so that a waiter between its last look and its sleep is woken.
    { std::lock_guard<std::mutex> lock(mutex); }
    done.notify_one();
  }
  Response Wait() {
    auto ready = [this] { return answered.load(std::memory_order_acquire); };
    if (!LookFor(ready)) {
      std::unique_lock<std::mutex> lock(mutex);
      done.wait(lock, ready);
    }
    return std::move(answer);
  }
};

Request RequestOf(const httplib::Request& req) {
  Request r;
  r.method = req.method;
  r.path = req.path;
  if (req.has_header("Host")) r.host = req.get_header_value("Host");
  if (req.has_header("Origin")) r.origin = req.get_header_value("Origin");
  r.content_type = req.get_header_value("Content-Type");
  r.body = req.body;
  r.peer_port = req.remote_port;
  r.preflight_method = req.get_header_value("Access-Control-Request-Method");
  r.preflight_private_network = req.get_header_value("Access-Control-Request-Private-Network") == "true";
  return r;
}

void Write(const Response& answer, httplib::Response& res) {
  res.status = answer.status;
  for (const auto& [name, value] : answer.headers) res.set_header(name, value);
  if (!answer.body.empty()) res.set_content(answer.body, answer.content_type.c_str());
}

}  // namespace

struct BridgeServer::Impl {
  explicit Impl(Bridge& b) : bridge(b) {}

  void Answer(Job& job) {
    try {
      job.Answer(bridge.Handle(job.request));
    } catch (const std::exception& e) {
      job.Answer(Refusal(500, std::string("the bridge failed: ") + e.what()));
    }
  }

  void IdleWork() {
    if (idle_work) idle_work();
  }

  Response Queue(Request request) {
    auto job = std::make_shared<Job>();
    job->request = std::move(request);
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (stopping) return Refusal(503, "the bridge is stopping");
      jobs.push_back(job);
      queued.fetch_add(1, std::memory_order_release);
    }
    wake.notify_one();
    if (waiting.wake) waiting.wake();
    return job->Wait();
  }

  Bridge& bridge;
  std::function<void()> idle_work;
  httplib::Server server;
  std::thread io;
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::shared_ptr<Job>> jobs;
  std::atomic<std::size_t> queued{0};
  bool stopping = false;
  Waiting waiting;
};

BridgeServer::BridgeServer(Bridge& bridge) : impl_(std::make_unique<Impl>(bridge)) {
  Impl& impl = *impl_;
  httplib::Server& s = impl.server;
  s.new_task_queue = [] { return new httplib::ThreadPool(kIoThreads); };
  // The port is the bridge's alone: with the library's SO_REUSEPORT a second
  // bridge of the same user would share it, each getting some of the pages'
  // connections.
  s.set_socket_options([](socket_t sock) {
    int yes = 1;
#ifdef _WIN32
    // On Windows SO_REUSEADDR would let another program bind the same port
    // over the bridge's; this keeps everyone else off it.
    ::setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
  });
  s.set_tcp_nodelay(true);
  s.set_keep_alive_max_count(1000);
  s.set_payload_max_length(bridge.settings().max_body);
  auto handler = [&impl](const httplib::Request& req, httplib::Response& res) {
    Write(impl.Queue(RequestOf(req)), res);
  };
  s.Get(".*", handler);
  s.Post(".*", handler);
  s.Options(".*", handler);
  s.Put(".*", handler);
  s.Patch(".*", handler);
  s.Delete(".*", handler);
  // What the HTTP layer refuses by itself (a body over the limit, a request
  // it cannot parse) says why as the bridge's own refusals do.
  s.set_error_handler([&impl](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    const Response refusal = Refusal(res.status, res.status == 413 ? "the request is too long" : "bad request");
    Response answer = refusal;
    impl.bridge.AddCorsHeaders(RequestOf(req), answer);
    for (const auto& [name, value] : answer.headers) res.set_header(name, value);
    res.set_content(answer.body, answer.content_type.c_str());
  });
}

BridgeServer::~BridgeServer() = default;

int BridgeServer::Bind(int port) {
  httplib::Server& s = impl_->server;
  // Pages reach the bridge on the loopback address; nothing else may.
  if (port == 0) {
    port = s.bind_to_any_port("127.0.0.1");
  } else if (!s.bind_to_port("127.0.0.1", port)) {
    port = -1;
  }
  if (port <= 0) return -1;
  impl_->bridge.SetPort(port);
  return port;
}

void BridgeServer::Serve(const std::atomic<bool>* stop) {
  Impl& impl = *impl_;
  impl.io = std::thread([&impl] { impl.server.listen_after_bind(); });
  // A stop before the loop runs would be lost, and the join would wait for ever.
  while (!impl.server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto last_sweep = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(impl.mutex);
  while (!impl.stopping && !(stop != nullptr && stop->load())) {
    if (impl.jobs.empty()) {
      // Between requests the windows take their input (a modeless pad's).
      lock.unlock();
      impl.IdleWork();
      lock.lock();
      // Pages idle for too long are judged only when nothing waits, so that
      // a page whose touch queued behind a long call is not taken for gone.
      const auto now = std::chrono::steady_clock::now();
      if (now - last_sweep >= kSweepEvery) {
        lock.unlock();
        impl.bridge.Sweep();
        lock.lock();
        last_sweep = now;
      }
      lock.unlock();
      auto ready = [&impl] { return impl.queued.load(std::memory_order_acquire) > 0; };
      const bool came = LookFor(ready);
      if (!came && impl.waiting.wait) {
        impl.waiting.wait(std::chrono::milliseconds(200), ready);
        lock.lock();
        continue;
      }
      lock.lock();
      if (!came && impl.jobs.empty() && !impl.stopping) impl.wake.wait_for(lock, std::chrono::milliseconds(200));
      continue;
    }
    std::shared_ptr<Job> job = std::move(impl.jobs.front());
    impl.jobs.pop_front();
    impl.queued.fetch_sub(1, std::memory_order_release);
    lock.unlock();
    impl.Answer(*job);
    // Before the next request: a window the page just showed takes the
    // input that waits for it first.
    impl.IdleWork();
    lock.lock();
  }
  impl.stopping = true;
  for (auto& job : impl.jobs) job->Answer(Refusal(503, "the bridge is stopping"));
  impl.jobs.clear();
  lock.unlock();
  impl.server.stop();
  if (impl.io.joinable()) impl.io.join();
}

void BridgeServer::SetIdleWork(std::function<void()> work) { impl_->idle_work = std::move(work); }

void BridgeServer::AnswerMeanwhile(std::chrono::milliseconds wait) {
  Impl& impl = *impl_;
  const auto until = std::chrono::steady_clock::now() + wait;
  std::unique_lock<std::mutex> lock(impl.mutex);
  // Jobs before `kept` wait for the call; only the serving thread takes jobs
  // out, so they stay where they are while the lock is let go.
  std::size_t kept = 0;
  for (;;) {
    if (kept < impl.jobs.size()) {
      const std::shared_ptr<Job> next = impl.jobs[kept];
      if (!next->session) {
        // Read without the lock: the I/O threads queue meanwhile.
        lock.unlock();
        next->session = Bridge::SessionOf(next->request);
        lock.lock();
      }
      if (impl.bridge.WaitsForCall(*next->session)) {
        ++kept;
        continue;
      }
      std::shared_ptr<Job> job = std::move(impl.jobs[kept]);
      impl.jobs.erase(impl.jobs.begin() + static_cast<std::ptrdiff_t>(kept));
      impl.queued.fetch_sub(1, std::memory_order_release);
      lock.unlock();
      impl.Answer(*job);
      lock.lock();
      continue;
    }
    if (impl.stopping || std::chrono::steady_clock::now() >= until) return;
    impl.wake.wait_until(lock, until, [&] { return impl.stopping || impl.jobs.size() > kept; });
  }
}

void BridgeServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  if (impl_->waiting.wake) impl_->waiting.wake();
}

void BridgeServer::SetWaiting(Waiting waiting) { impl_->waiting = std::move(waiting); }

}  // namespace kit::bridge
