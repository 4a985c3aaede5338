#include "ports/automation.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "ports/files.h"

namespace kit::automation {

const char* VarTypeName(VarType t) {
  switch (t) {
    case VarType::Empty: return "VT_EMPTY";
    case VarType::I2: return "VT_I2";
    case VarType::I4: return "VT_I4";
    case VarType::R8: return "VT_R8";
    case VarType::Bstr: return "VT_BSTR";
    case VarType::Dispatch: return "VT_DISPATCH";
    case VarType::Error: return "VT_ERROR";
    case VarType::Bool: return "VT_BOOL";
    case VarType::Variant: return "VT_VARIANT";
  }
  return "VT_?";
}

Variant Variant::I2(std::int16_t v) {
  Variant r;
  r.type_ = VarType::I2;
  r.num_ = v;
  return r;
}
Variant Variant::I4(std::int32_t v) {
  Variant r;
  r.type_ = VarType::I4;
  r.num_ = v;
  return r;
}
Variant Variant::R8(double v) {
  Variant r;
  r.type_ = VarType::R8;
  r.real_ = v;
  return r;
}
Variant Variant::Bool(bool v) {
  Variant r;
  r.type_ = VarType::Bool;
  r.num_ = v ? 1 : 0;
  return r;
}
Variant Variant::Str(std::string v) {
  Variant r;
  r.type_ = VarType::Bstr;
  r.str_ = std::move(v);
  return r;
}
Variant Variant::Error(HResult scode) {
  Variant r;
  r.type_ = VarType::Error;
  r.num_ = scode;
  return r;
}
Variant Variant::Dispatch(std::shared_ptr<IDispatchObject> d) {
  Variant r;
  r.type_ = VarType::Dispatch;
  r.disp_ = std::move(d);
  return r;
}

bool Variant::operator==(const Variant& o) const {
  if (type_ != o.type_) return false;
  switch (type_) {
    case VarType::Empty: return true;
    case VarType::R8: return real_ == o.real_;
    case VarType::Bstr: return str_ == o.str_;
    case VarType::Dispatch: return disp_ == o.disp_;
    default: return num_ == o.num_;
  }
}

namespace {

[[noreturn]] void Mismatch(const Variant& v, VarType to) {
  throw AutomationError(hr::TypeMismatch, std::string("Type mismatch: cannot convert ") +
                                              VarTypeName(v.type()) + " to " + VarTypeName(to));
}

// Numeric value of a variant for integer targets; strings parse as decimal
// numbers the way VariantChangeType does for plain digits.
double NumberOf(const Variant& v, VarType to) {
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::I2:
    case VarType::I4: return v.AsI4();
    case VarType::Bool: return v.AsBool() ? -1 : 0;
    case VarType::R8: return v.AsR8();
    case VarType::Bstr: {
      const std::string& s = v.AsStr();
      char* end = nullptr;
      double d = std::strtod(s.c_str(), &end);
      if (s.empty() || end == s.c_str() || *end != '\0') Mismatch(v, to);
      return d;
    }
    default: Mismatch(v, to);
  }
}

std::string TextOf(double d) {
  char buf[64];
  if (d == std::floor(d) && std::fabs(d) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", d);
  } else {
    std::snprintf(buf, sizeof buf, "%.15g", d);
  }
  return buf;
}

}  // namespace

Variant Coerce(const Variant& v, VarType to) {
  if (v.type() == to || to == VarType::Variant) return v;
  switch (to) {
    case VarType::I2:
    case VarType::I4: {
      // Banker's rounding as the OLE conversions do.
      double d = std::nearbyint(NumberOf(v, to));
      double lo = to == VarType::I2 ? -32768.0 : -2147483648.0;
      double hi = to == VarType::I2 ? 32767.0 : 2147483647.0;
      if (!(d >= lo && d <= hi)) {
        // OLE_COLOR values above 0x7FFFFFFF arrive from scripts as doubles.
        if (to == VarType::I4 && d > hi && d <= 4294967295.0) {
          return Variant::I4(static_cast<std::int32_t>(static_cast<std::uint32_t>(d)));
        }
        throw AutomationError(static_cast<HResult>(0x8002000Au), "Overflow");
      }
      return to == VarType::I2 ? Variant::I2(static_cast<std::int16_t>(d))
                               : Variant::I4(static_cast<std::int32_t>(d));
    }
    case VarType::R8: return Variant::R8(NumberOf(v, to));
    case VarType::Bool: {
      if (v.type() == VarType::Bstr) {
        const std::string& s = v.AsStr();
        if (s == "True" || s == "true" || s == "#TRUE#") return Variant::Bool(true);
        if (s == "False" || s == "false" || s == "#FALSE#") return Variant::Bool(false);
      }
      return Variant::Bool(NumberOf(v, to) != 0);
    }
    case VarType::Bstr:
      switch (v.type()) {
        case VarType::Empty: return Variant::Str("");
        case VarType::I2:
        case VarType::I4: return Variant::Str(std::to_string(v.AsI4()));
        case VarType::R8: return Variant::Str(TextOf(v.AsR8()));
        case VarType::Bool: return Variant::Str(v.AsBool() ? "True" : "False");
        default: Mismatch(v, to);
      }
    case VarType::Dispatch:
      if (v.type() == VarType::Empty) return Variant::Dispatch(nullptr);
      Mismatch(v, to);
    case VarType::Error:
    case VarType::Empty:
    case VarType::Variant: break;
  }
  Mismatch(v, to);
}

const MemberInfo* DispatchTable::Find(DispId id) const {
  for (const MemberInfo& m : members_) {
    if (m.dispid == id) return &m;
  }
  return nullptr;
}

namespace {
bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}
}  // namespace

std::optional<DispId> DispatchTable::IdOfName(const std::string& name) const {
  for (const MemberInfo& m : members_) {
    if (EqualsNoCase(m.name, name)) return m.dispid;
  }
  return std::nullopt;
}

std::vector<Variant> CheckArguments(const MemberInfo& m, InvokeKind kind, const std::vector<Variant>& args) {
  if (m.kind == MemberKind::Property) {
    if (kind == InvokeKind::PropertyGet) {
      if (!args.empty()) throw AutomationError(hr::BadParamCount, "Invalid number of parameters");
      return {};
    }
    if (kind == InvokeKind::PropertyPut) {
      if (args.size() != 1) throw AutomationError(hr::BadParamCount, "Invalid number of parameters");
      return {Coerce(args[0], m.result)};
    }
    throw AutomationError(hr::MemberNotFound, "Member not found: " + m.name);
  }
  // A script may read a method without arguments as a property get.
  if (kind == InvokeKind::PropertyPut) throw AutomationError(hr::MemberNotFound, "Member not found: " + m.name);
  if (args.size() != m.params.size()) {
    throw AutomationError(hr::BadParamCount, "Invalid number of parameters for " + m.name);
  }
  std::vector<Variant> out;
  out.reserve(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) out.push_back(Coerce(args[i], m.params[i].type));
  return out;
}

Variant InvokeByName(IDispatchObject& obj, const std::string& name, InvokeKind kind,
                     const std::vector<Variant>& args) {
  std::optional<DispId> id = obj.Members().IdOfName(name);
  if (!id) throw AutomationError(hr::UnknownName, "Unknown name: " + name);
  return obj.Invoke(*id, kind, args);
}

void RethrowAsAutomationError(const std::string& source) {
  try {
    throw;
  } catch (const AutomationError&) {
    throw;
  } catch (const FileError& e) {
    HResult code = hr::CtlPathFileAccess;
    switch (e.cause()) {
      case FileError::Cause::NotFound: code = hr::CtlFileNotFound; break;
      case FileError::Cause::DiskFull: code = hr::CtlDiskFull; break;
      case FileError::Cause::AccessDenied:
      case FileError::Cause::Generic: break;
    }
    throw AutomationError(code, e.what(), source);
  } catch (const std::bad_alloc&) {
    throw AutomationError(hr::OutOfMemory, "Out of memory", source);
  }
}

}  // namespace kit::automation
