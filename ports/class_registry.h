// ProgID -> factory, the part of the COM class registry a script host needs.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ports/automation.h"

namespace kit {

class ClassRegistry {
 public:
  using Factory = std::function<std::shared_ptr<automation::IDispatchObject>()>;
  static ClassRegistry& Instance();
  void Register(const std::string& progid, Factory f);
  // From now on every object of the class comes out of `wrap`; nothing
  // happens for a class not registered.
  void Wrap(const std::string& progid,
            std::function<std::shared_ptr<automation::IDispatchObject>(std::shared_ptr<automation::IDispatchObject>)>
                wrap);
  // Throws AutomationError(InvalidClassString) for an unknown ProgID, as
  // CLSIDFromProgID does.
  std::shared_ptr<automation::IDispatchObject> Create(const std::string& progid) const;

 private:
  std::map<std::string, Factory> classes_;  // keys folded to lower case
};

}  // namespace kit
