// The bridge on 127.0.0.1: connections are read and written by a pool of
// I/O threads, and every request is answered on the one thread that runs
// Serve(), in the order the requests arrived, so the controls live on one
// thread as they do in a browser.
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "apps/notaro-bridge/bridge.h"

namespace kit::bridge {

class BridgeServer {
 public:
  explicit BridgeServer(Bridge& bridge);
  ~BridgeServer();
  BridgeServer(const BridgeServer&) = delete;
  BridgeServer& operator=(const BridgeServer&) = delete;

  // Binds 127.0.0.1:port (0: a free port, which the bridge is told).
  // Returns the port, or -1 when it cannot be had (another program, or
  // another user's bridge, holds it).
  int Bind(int port);
  // Answers requests until Stop() or `*stop` turns true (a signal handler
  // may set it); releases idle pages' controls between requests.
  void Serve(const std::atomic<bool>* stop = nullptr);
  // The controls' windows live on the serving thread. `work` dispatches what
  // their window system has pending without blocking (a modeless window's
  // input); Serve() runs it after every request and while it waits.
  void SetIdleWork(std::function<void()> work);
  // For a modal loop running inside a call (the remark window): answers the
  // requests that need not wait for the call (Bridge::WaitsForCall), waiting
  // up to `wait` for some to come; the others stay queued, in order, for
  // Serve() to answer after the call.
  void AnswerMeanwhile(std::chrono::milliseconds wait);
  // From any thread: Serve() returns soon after.
  void Stop();

  // How the thread that runs Serve() waits for the next request: by default
  // on the server's own condition variable. A thread that owns windows waits
  // in its message loop instead: `wait` returns when a message came, `ready`
  // turned true or the time ran out; `wake` is called (from any thread)
  // after each request is queued and on Stop(). Set before Serve().
  struct Waiting {
    std::function<void(std::chrono::milliseconds, const std::function<bool()>& ready)> wait;
    std::function<void()> wake;
  };
  void SetWaiting(Waiting waiting);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kit::bridge
