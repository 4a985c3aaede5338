// The desktop shell's execute call: open a document or address with the
// program associated with it.
#pragma once
#include <cstdint>
#include <string>

namespace kit {

constexpr int kSwHide = 0;
constexpr int kSwShowNormal = 1;

struct ShellRequest {
  std::uintptr_t owner = 0;  // window handle, 0 for none
  std::string verb;          // empty is the default verb
  std::string file;          // text is UTF-8 throughout
  std::string parameters;
  std::string directory;
  int show = kSwShowNormal;
};

class IShell {
 public:
  virtual ~IShell() = default;
  // The shell's own result: greater than 32 on success.
  virtual std::intptr_t Execute(const ShellRequest& request) = 0;
};

}  // namespace kit
