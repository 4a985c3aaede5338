// Starting a program from a command line without waiting for it.
#pragma once
#include <string>

namespace kit {

namespace show {
constexpr int kHide = 0, kNormalFocus = 1;
}

class IProcessStarter {
 public:
  virtual ~IProcessStarter() = default;
  // command_line is UTF-8; true when the program was started.
  virtual bool Start(const std::string& command_line, int show_flag) = 0;
};

}  // namespace kit
