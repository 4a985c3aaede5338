// Automation model: variants, dispatch tables and invoke by DISPID. The Win32
// COM server wraps this model; the core never sees COM itself.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ports/hresult.h"

namespace kit::automation {

using DispId = std::int32_t;

// Values match VARTYPE so that adapters can cast.
enum class VarType : std::uint16_t {
  Empty = 0,
  I2 = 2,
  I4 = 3,
  R8 = 5,
  Bstr = 8,
  Dispatch = 9,
  Error = 10,
  Bool = 11,
  Variant = 12,  // a parameter that takes any value
};

const char* VarTypeName(VarType t);

class IDispatchObject;

// A value crossing the dispatch interface. Strings are bytes in the system
// code page (936 on the target desktops), exactly as an ANSI member sees them.
class Variant {
 public:
  Variant() = default;
  static Variant I2(std::int16_t v);
  static Variant I4(std::int32_t v);
  static Variant R8(double v);
  static Variant Bool(bool v);
  static Variant Str(std::string v);
  static Variant Error(HResult scode);
  static Variant Dispatch(std::shared_ptr<IDispatchObject> d);
  // An omitted optional argument, as VT_ERROR DISP_E_PARAMNOTFOUND.
  static Variant Missing() { return Error(hr::ParamNotFound); }

  VarType type() const { return type_; }
  bool IsEmpty() const { return type_ == VarType::Empty; }
  bool IsMissing() const { return type_ == VarType::Error && num_ == hr::ParamNotFound; }

  // Raw accessors; callers check type() first.
  std::int32_t AsI4() const { return static_cast<std::int32_t>(num_); }
  double AsR8() const { return real_; }
  bool AsBool() const { return num_ != 0; }
  HResult AsError() const { return static_cast<HResult>(num_); }
  const std::string& AsStr() const { return str_; }
  const std::shared_ptr<IDispatchObject>& AsDispatch() const { return disp_; }

  bool operator==(const Variant& o) const;
  bool operator!=(const Variant& o) const { return !(*this == o); }

 private:
  VarType type_ = VarType::Empty;
  std::int64_t num_ = 0;
  double real_ = 0;
  std::string str_;
  std::shared_ptr<IDispatchObject> disp_;
};

// Converts as VariantChangeType would for the types the kit uses; throws
// AutomationError(TypeMismatch) when the value cannot become the type.
Variant Coerce(const Variant& v, VarType to);

// An error raised by a member; reaches the calling script as an exception
// carrying the HRESULT and the message.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(HResult code, const std::string& message, std::string source = {})
      : std::runtime_error(message), code_(code), source_(std::move(source)) {}
  HResult code() const { return code_; }
  const std::string& source() const { return source_; }

 private:
  HResult code_;
  std::string source_;
};

// Called while an exception is handled: rethrows it as the automation error a
// calling script sees, with `source` naming the control. An AutomationError
// goes on as it is, a FileError becomes the control error of its cause and
// exhausted memory E_OUTOFMEMORY; any other exception goes on unchanged, so a
// control maps its own errors first and hands the rest to this.
[[noreturn]] void RethrowAsAutomationError(const std::string& source);

enum class MemberKind { Property, Method };
enum class InvokeKind { Method = 1, PropertyGet = 2, PropertyPut = 4 };

struct ParamInfo {
  VarType type;
  std::string name;
};

struct MemberInfo {
  DispId dispid;
  std::string name;
  MemberKind kind;
  std::vector<ParamInfo> params;  // for a property: none; the put takes one value of `result`
  VarType result;                 // Empty when a method returns nothing
  std::string help;               // help string of the type library, may be empty
};

class DispatchTable {
 public:
  explicit DispatchTable(std::vector<MemberInfo> members) : members_(std::move(members)) {}
  const std::vector<MemberInfo>& members() const { return members_; }
  const MemberInfo* Find(DispId id) const;
  // Case-insensitive (ASCII) like GetIDsOfNames.
  std::optional<DispId> IdOfName(const std::string& name) const;

 private:
  std::vector<MemberInfo> members_;
};

class IDispatchObject {
 public:
  virtual ~IDispatchObject() = default;
  virtual const DispatchTable& Members() const = 0;
  // Arguments in call order (not reversed as in DISPPARAMS).
  virtual Variant Invoke(DispId id, InvokeKind kind, const std::vector<Variant>& args) = 0;
};

// Checks the member and kind, the argument count and coerces each argument
// to its declared type; the table-driven half of what DispInvoke does.
std::vector<Variant> CheckArguments(const MemberInfo& m, InvokeKind kind, const std::vector<Variant>& args);

// Name lookup then invoke: what a script engine does with obj.Name(...).
Variant InvokeByName(IDispatchObject& obj, const std::string& name, InvokeKind kind,
                     const std::vector<Variant>& args = {});

}  // namespace kit::automation
