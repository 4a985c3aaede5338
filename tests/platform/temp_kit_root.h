// A throwaway KIT_ROOT for the POSIX adapter tests: a fresh folder, the
// environment and the current directory restored afterwards.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

namespace kit::testing {

class SavedEnv {
 public:
  explicit SavedEnv(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) value_ = v;
  }
  ~SavedEnv() {
    if (value_) {
      setenv(name_, value_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  SavedEnv(const SavedEnv&) = delete;
  SavedEnv& operator=(const SavedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> value_;
};

class TempKitRoot {
 public:
  TempKitRoot() : cwd_(std::filesystem::current_path()) {
    std::random_device rd;
    for (;;) {
      dir_ = std::filesystem::temp_directory_path() / ("kit-posix-test-" + std::to_string(rd()));
      if (std::filesystem::create_directory(dir_)) break;
    }
    // Canonical so that expectations compare equal to what getcwd() reports.
    dir_ = std::filesystem::canonical(dir_);
    root_ = dir_ / "root";
    setenv("KIT_ROOT", root_.c_str(), 1);
  }
  ~TempKitRoot() {
    std::error_code ec;
    std::filesystem::current_path(cwd_, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempKitRoot(const TempKitRoot&) = delete;
  TempKitRoot& operator=(const TempKitRoot&) = delete;

  // The scratch folder holding the root, for other environment settings.
  const std::filesystem::path& dir() const { return dir_; }
  const std::filesystem::path& root() const { return root_; }
  std::string Native(const std::string& below_root) const { return (root_ / below_root).string(); }

  // Makes root/below (and its folders) holding `content`.
  void MakeFile(const std::string& below, const std::string& content = "") const {
    std::filesystem::path p = root_ / below;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::string ReadFile(const std::string& below) const {
    std::ifstream in(root_ / below, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  SavedEnv kit_root_{"KIT_ROOT"};
  SavedEnv xdg_{"XDG_DATA_HOME"};
  SavedEnv home_{"HOME"};
  std::filesystem::path cwd_;
  std::filesystem::path dir_;
  std::filesystem::path root_;
};

}  // namespace kit::testing
