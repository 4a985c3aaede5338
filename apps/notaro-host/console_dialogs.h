// Message boxes of a host without a desktop: written to the transcript and
// answered with their default button; file, folder and colour dialogs cancel.
#pragma once
#include <ostream>

#include "ports/dialogs.h"

namespace kit::script {

class ConsoleDialogs : public IDialogs {
 public:
  explicit ConsoleDialogs(std::ostream& out) : m_out(out) {}
  int MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }

 private:
  std::ostream& m_out;
};

}  // namespace kit::script
