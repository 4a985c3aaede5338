// Dialogs of a user who reads every message box and answers OK, and
// cancels every chooser; what the boxes said is kept for the tests.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/dialogs.h"

namespace kit::exchange {

class MessageLog : public IDialogs {
 public:
  std::vector<std::string> shown;
  int MessageBox(std::uintptr_t, const std::string& text, const std::string&, unsigned) override {
    shown.push_back(text);
    return id::kOk;
  }
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }
};

}  // namespace kit::exchange
