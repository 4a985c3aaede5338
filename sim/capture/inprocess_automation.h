// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// Automation on POSIX: no COM, so ProgIDs resolve through a registry of
// in-process servers, and a file's class comes from its extension.
#pragma once
#include <functional>
#include <map>
#include <string>

#include "ports/automation_client.h"

namespace kit::sim {

class InProcessAutomation : public automation::IAutomationClient {
 public:
  using Factory = std::function<automation::DispatchPtr()>;
  using Opener = std::function<automation::DispatchPtr(const std::string& utf8Path)>;

  // ProgIDs compare case-insensitively, as the registry does.
  void RegisterClass(const std::string& progId, Factory create);
  // The object GetActiveObject gives for the class; null: none running.
  void SetRunning(const std::string& progId, automation::DispatchPtr object);
  // Files ending in `extension` (".doc") are of class `progId`, opened by `open`.
  void RegisterFileType(const std::string& extension, const std::string& progId, Opener open);

  bool IsRegistered(const std::string& progId) override;
  automation::Obtained Create(const std::string& progId) override;
  automation::Obtained GetRunning(const std::string& progId) override;
  std::optional<std::string> ProgIdOfFile(const std::u16string& path) override;
  automation::Obtained OpenFile(const std::u16string& path) override;

 private:
  struct FileType {
    std::string progId;
    Opener open;
  };
  const FileType* TypeOf(const std::u16string& path, std::string* utf8) const;
  std::map<std::string, Factory> classes_;
  std::map<std::string, automation::DispatchPtr> running_;
  std::map<std::string, FileType> types_;
};

InProcessAutomation& ProcessAutomation();

}  // namespace kit::sim
