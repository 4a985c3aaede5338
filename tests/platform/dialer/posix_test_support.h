// Helpers for the adapter tests that need the host itself (a private
// network namespace), kept here so the tests include no system headers.
#pragma once
#include <string>

namespace kit::posix::testing_support {

enum class NamespaceEcho { kNoReply, kReply, kUnavailable, kNoNamespace };

struct NamespaceEchoResult {
  NamespaceEcho outcome;
  long elapsed_ms;
};

// In a child process: a network namespace of its own with only loopback up
// and a host route to `address` through it, then one echo to that address
// with the probes' time-out. Nothing leaves the namespace.
NamespaceEchoResult EchoInPrivateNetwork(const std::string& address);

}  // namespace kit::posix::testing_support
