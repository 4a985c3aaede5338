// Helpers for the adapter tests that look at the system directly, kept
// here so the tests include no system headers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/desktop.h"

namespace kit::win32::testing_support {

constexpr std::uint32_t kErrorCallNotImplemented = 120;

// A value under HKEY_CURRENT_USER as the ANSI query returns it.
std::optional<std::string> RawCurrentUserString(const std::string& path, const std::string& name,
                                                std::uint32_t* type);
void DeleteCurrentUserKey(const std::string& path);

// A top-level window of its own class with check-box buttons.
class TestDialog {
 public:
  TestDialog(const std::string& class_name, const std::string& caption,
             const std::vector<std::string>& buttons);
  ~TestDialog();
  TestDialog(const TestDialog&) = delete;
  TestDialog& operator=(const TestDialog&) = delete;

  bool created() const { return window_ != 0; }
  unsigned long error() const { return error_; }
  WindowHandle window() const { return window_; }
  WindowHandle button(std::size_t i) const { return buttons_.at(i); }
  bool checked(std::size_t i) const;

 private:
  WindowHandle window_ = 0;
  std::vector<WindowHandle> buttons_;
  unsigned long error_ = 0;
};

}  // namespace kit::win32::testing_support
