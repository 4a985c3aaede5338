// The client side of automation: reaching other programs' objects (Word, WPS)
// and calling their members by DISPID. The Win32 adapter is COM itself.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ports/automation.h"

namespace kit::automation {

using DispatchPtr = std::shared_ptr<IDispatchObject>;

// What getting hold of an object gave: the object, or the failure code.
struct Obtained {
  HResult hr = hr::Fail;
  DispatchPtr object;
};

// MK_E_UNAVAILABLE: the class is registered but no object of it is running.
constexpr HResult kNotRunning = static_cast<HResult>(0x800401E3u);
// E_NOINTERFACE: the object refused IDispatch.
constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);

class IAutomationClient {
 public:
  virtual ~IAutomationClient() = default;
  // CLSIDFromProgID: whether the class is registered at all.
  virtual bool IsRegistered(const std::string& progId) = 0;
  // CoCreateInstance of a new object (local server or in-process).
  virtual Obtained Create(const std::string& progId) = 0;
  // GetActiveObject then QueryInterface(IID_IDispatch); the pointer that the
  // running object table gave is released either way.
  virtual Obtained GetRunning(const std::string& progId) = 0;
  // GetClassFile then ProgIDFromCLSID; nullopt when either fails.
  virtual std::optional<std::string> ProgIdOfFile(const std::u16string& path) = 0;
  // Binds the path as a file (never parsed as a general display name) and
  // asks the object it opens for IDispatch.
  virtual Obtained OpenFile(const std::u16string& path) = 0;
};

// Holds one object and releases it when it goes out of scope; members are
// called by DISPID, errors raised by the server come out as AutomationError.
class CDispatchDriver {
 public:
  CDispatchDriver() = default;
  explicit CDispatchDriver(DispatchPtr d) : m_lpDispatch(std::move(d)) {}

  bool IsAttached() const { return m_lpDispatch != nullptr; }
  const DispatchPtr& dispatch() const { return m_lpDispatch; }
  void AttachDispatch(DispatchPtr d) { m_lpDispatch = std::move(d); }
  void ReleaseDispatch() { m_lpDispatch.reset(); }

  Variant InvokeHelper(DispId id, InvokeKind kind, const std::vector<Variant>& args = {}) const {
    if (!m_lpDispatch) throw AutomationError(hr::Unexpected, "No dispatch object attached");
    return m_lpDispatch->Invoke(id, kind, args);
  }
  Variant Call(DispId id, const std::vector<Variant>& args = {}) const {
    return InvokeHelper(id, InvokeKind::Method, args);
  }
  Variant Get(DispId id, const std::vector<Variant>& args = {}) const {
    return InvokeHelper(id, InvokeKind::PropertyGet, args);
  }
  void Put(DispId id, const Variant& value) const { InvokeHelper(id, InvokeKind::PropertyPut, {value}); }

  // The object a member returned; a member that gave none is an error.
  CDispatchDriver GetObject(DispId id, const std::vector<Variant>& args = {}) const {
    return AsObject(Get(id, args));
  }
  CDispatchDriver CallObject(DispId id, const std::vector<Variant>& args = {}) const {
    return AsObject(Call(id, args));
  }
  std::int32_t GetLong(DispId id, const std::vector<Variant>& args = {}) const {
    return Coerce(Get(id, args), VarType::I4).AsI4();
  }
  std::string GetString(DispId id, const std::vector<Variant>& args = {}) const {
    return Coerce(Get(id, args), VarType::Bstr).AsStr();
  }

  static CDispatchDriver AsObject(const Variant& v) {
    if (v.type() != VarType::Dispatch || !v.AsDispatch())
      throw AutomationError(hr::TypeMismatch, "The member returned no object");
    return CDispatchDriver(v.AsDispatch());
  }

 private:
  DispatchPtr m_lpDispatch;
};

}  // namespace kit::automation
