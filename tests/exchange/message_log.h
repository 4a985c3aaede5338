// Dialogs of a user who reads every message box and answers OK, and
// cancels every chooser; what the boxes said is kept for the tests. Status
// windows likewise: "open", each text, "closed" as the user saw them.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/dialogs.h"
#include "ports/http.h"

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

class StatusLog : public IStatusWindows {
 public:
  std::vector<std::string> seen;
  std::unique_ptr<IStatusWindow> Create() override {
    seen.push_back("open");
    return std::make_unique<Window>(seen);
  }

 private:
  struct Window : IStatusWindow {
    explicit Window(std::vector<std::string>& s) : seen(s) {}
    ~Window() override { seen.push_back("closed"); }
    void SetText(const std::string& text) override { seen.push_back(text); }
    std::vector<std::string>& seen;
  };
};

}  // namespace kit::exchange
