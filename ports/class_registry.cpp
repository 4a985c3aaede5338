#include "ports/class_registry.h"

#include <cctype>

namespace kit {
namespace {
std::string Fold(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}
}  // namespace

ClassRegistry& ClassRegistry::Instance() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::Register(const std::string& progid, Factory f) { classes_[Fold(progid)] = std::move(f); }

void ClassRegistry::Wrap(
    const std::string& progid,
    std::function<std::shared_ptr<automation::IDispatchObject>(std::shared_ptr<automation::IDispatchObject>)> wrap) {
  auto it = classes_.find(Fold(progid));
  if (it == classes_.end()) return;
  it->second = [inner = std::move(it->second), wrap = std::move(wrap)] { return wrap(inner()); };
}

std::shared_ptr<automation::IDispatchObject> ClassRegistry::Create(const std::string& progid) const {
  auto it = classes_.find(Fold(progid));
  if (it == classes_.end()) throw automation::AutomationError(hr::InvalidClassString, "Invalid class string: " + progid);
  return it->second();
}

}  // namespace kit
