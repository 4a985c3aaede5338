// Modal message boxes and the common dialogs. Text is UTF-8; the adapters
// convert to what the desktop shows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ports/canvas.h"

namespace kit {

// Message box styles and answers, with the values the desktop uses.
namespace mb {
constexpr unsigned kOk = 0x0, kOkCancel = 0x1, kYesNoCancel = 0x3, kYesNo = 0x4;
constexpr unsigned kIconError = 0x10, kIconQuestion = 0x20, kIconWarning = 0x30, kIconInfo = 0x40;
constexpr unsigned kDefButton2 = 0x100, kSystemModal = 0x1000;
}  // namespace mb
namespace id {
constexpr int kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7;
}  // namespace id

// What a box answers when its default button is pressed, as hosts without a
// user answer it: the first button, or the second with kDefButton2.
inline int DefaultAnswer(unsigned style) {
  const bool second = (style & mb::kDefButton2) != 0;
  switch (style & 0xF) {
    case mb::kYesNo:
    case mb::kYesNoCancel:
      return second ? id::kNo : id::kYes;
    case mb::kOkCancel:
      return second ? id::kCancel : id::kOk;
    default:
      return id::kOk;
  }
}

struct FileDialogRequest {
  std::uintptr_t owner = 0;
  bool open = true;  // false: a save dialog
  std::string title;  // empty: the dialog's own
  // (description, pattern) pairs, e.g. {"WPS 文档", "*.wps"}
  std::vector<std::pair<std::string, std::string>> filters;
  std::string default_extension;
  std::string initial_name;
  bool multi_select = false;
  bool hide_read_only = false;
  bool overwrite_prompt = false;
  // Room for the answer in characters; an answer that does not fit fails
  // the dialog, which the caller sees as cancel. 0: no limit of our own.
  std::size_t buffer_chars = 0;
};

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Returns the button pressed (id::kOk, ...).
  virtual int MessageBox(std::uintptr_t owner, const std::string& text,
                         const std::string& caption, unsigned style) = 0;
  // Full paths in the order chosen; nullopt when cancelled or failed.
  virtual std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest& request) = 0;
  // A folder under the computer's drives; nullopt when cancelled.
  virtual std::optional<std::string> BrowseForFolder(std::uintptr_t owner,
                                                     const std::string& title) = 0;
  virtual std::optional<ColorRef> ChooseColor(std::uintptr_t owner, ColorRef initial) = 0;
};

}  // namespace kit
