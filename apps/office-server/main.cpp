// office-server [--port N] [--cookie TEXT] [--file NAME=PATH]... [--page NAME=PATH]...
//               [-- COMMAND ARGS...]
// The office web server stand-in on 127.0.0.1. Files are served at
// /files/NAME, pages at /pages/NAME; posts to /store/NAME are kept as
// /files/NAME, and the file parts of a form posted to /inbox as /files/ under
// their own names. With a command, "@URL@" in its arguments becomes the server's
// address; the server lives while the command runs, then lists what it
// received and exits with the command's status. Without one it serves until
// interrupted, listing each request as it arrives.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "apps/office-server/office_server.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

bool ReadWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

int RunCommand(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid < 0) return 127;
  if (pid == 0) {
    ::execvp(argv[0], argv.data());
    std::perror(argv[0]);
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Usage(std::ostream& o) {
  o << "usage: office-server [--port N] [--cookie TEXT] [--file NAME=PATH]... [--page NAME=PATH]...\n"
       "                     [-- COMMAND ARGS...]\n"
       "  serves /files/NAME and /pages/NAME on 127.0.0.1; with a command, \"@URL@\" in its\n"
       "  arguments is the server's address and the server lives while the command runs\n";
}

}  // namespace

int main(int argc, char** argv) {
  kit::office::OfficeServer server;
  int port = 0;
  std::vector<std::string> command;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      command.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg == "--help" || arg == "-h") {
      Usage(std::cout);
      return 0;
    }
    if (arg != "--port" && arg != "--cookie" && arg != "--file" && arg != "--page") {
      std::cerr << "office-server: no option " << arg << std::endl;
      Usage(std::cerr);
      return 2;
    }
    if (i + 1 >= argc) {
      std::cerr << "office-server: " << arg << " wants a value" << std::endl;
      Usage(std::cerr);
      return 2;
    }
    const std::string value = argv[++i];
    const std::size_t eq = value.find('=');
    std::string bytes;
    if (arg == "--port") {
      port = std::atoi(value.c_str());
    } else if (arg == "--cookie") {
      server.RequireCookie(value);
    } else if ((arg == "--file" || arg == "--page") && eq != std::string::npos &&
               ReadWhole(value.substr(eq + 1), bytes)) {
      if (arg == "--file") {
        server.PutFile(value.substr(0, eq), bytes);
      } else {
        server.PutPage(value.substr(0, eq), bytes);
      }
    } else {
      std::cerr << "office-server: cannot use " << arg << " " << value << std::endl;
      return 2;
    }
  }
  if (server.Start("127.0.0.1", port) < 0) {
    std::cerr << "office-server: cannot listen on port " << port << std::endl;
    return 1;
  }
  if (!command.empty()) {
    for (std::string& a : command) a = Replace(a, "@URL@", server.BaseUrl());
    const int status = RunCommand(command);
    server.Stop();
    std::cout << "office-server received:" << std::endl;
    for (const auto& r : server.Received()) std::cout << "  " << kit::office::Describe(r) << std::endl;
    return status;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::cout << "office-server listening on " << server.BaseUrl() << std::endl;
  std::size_t shown = 0;
  while (g_stop == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto received = server.Received();
    for (; shown < received.size(); ++shown) std::cout << kit::office::Describe(received[shown]) << std::endl;
  }
  server.Stop();
  return 0;
}
