#include "apps/notaro-host/script_host.h"

#include <duktape.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/automation.h"
#include "ports/text.h"

namespace kit::script {
namespace {

using automation::AutomationError;
using automation::DispId;
using automation::IDispatchObject;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::Variant;
using automation::VarType;

// Duktape raises its errors with longjmp, which skips C++ destructors. So the
// natives below never hold an object with a destructor across a Duktape call
// that can raise: script values are coerced first, the C++ work is done in
// between, and results are pushed last (a push only raises when the heap is
// out of memory). No C++ exception leaves a native: Native<> turns each one
// into a script error.

#define KIT_KEY(name) DUK_HIDDEN_SYMBOL("kit" name)
constexpr const char* kStateKey = KIT_KEY("Host");
constexpr const char* kHolderKey = KIT_KEY("Dispatch");
constexpr const char* kHandlerKey = KIT_KEY("Handler");
constexpr const char* kFinalizerKey = KIT_KEY("Finalizer");
constexpr const char* kErrorCtorKey = KIT_KEY("Error");
constexpr const char* kTargetKey = KIT_KEY("Target");
constexpr const char* kDispIdKey = KIT_KEY("DispId");
#undef KIT_KEY

constexpr const char* kCantCreateText = "Automation server can't create object";
constexpr const char* kNoSuchMemberText = "Object doesn't support this property or method";

using DispatchPtr = std::shared_ptr<IDispatchObject>;

struct HostState {
  HostState(const ICodePage& cp, const ClassRegistry& reg, std::ostream& o, const std::string& src,
            const std::string& path, const std::vector<std::string>& a)
      : codepage(cp), registry(reg), out(o), source(src), script_path(path), args(a) {}

  const ICodePage& codepage;
  const ClassRegistry& registry;
  std::ostream& out;
  const std::string& source;
  const std::string& script_path;
  const std::vector<std::string>& args;
  std::string script_name;
  std::string script_full_name;
  bool quitting = false;
  int quit_code = 0;
  // A native's failure waits here, not on the native's frame, while the
  // script error is built from it.
  HResult pending_code = 0;
  std::string pending_message;  // UTF-8
  std::string report;           // the uncaught error as printed
};

HostState& StateOf(duk_context* ctx) {
  duk_push_global_stash(ctx);
  duk_get_prop_string(ctx, -1, kStateKey);
  auto* st = static_cast<HostState*>(duk_get_pointer(ctx, -1));
  duk_pop_2(ctx);
  return *st;
}

void PushFromStash(duk_context* ctx, const char* key) {
  duk_push_global_stash(ctx);
  duk_get_prop_string(ctx, -1, key);
  duk_remove(ctx, -2);
}

// A new Error from the engine's own constructor, so that it carries the file
// and line of the script statement that failed.
void PushScriptError(duk_context* ctx, const char* message) {
  PushFromStash(ctx, kErrorCtorKey);
  duk_push_string(ctx, message);
  duk_new(ctx, 1);
}

// As the Windows script engine reports a failed call: `number` is the
// HRESULT (signed) and `description` repeats the message.
void PushAutomationError(duk_context* ctx, HResult code, const char* message) {
  PushScriptError(ctx, message);
  duk_push_int(ctx, code);
  duk_put_prop_string(ctx, -2, "number");
  duk_push_string(ctx, message);
  duk_put_prop_string(ctx, -2, "description");
}

// WScript.Quit unwinds the script with this error. A catch block in the
// script may see it, but every native keeps failing until the script is out.
duk_ret_t ThrowQuit(duk_context* ctx) {
  PushScriptError(ctx, "WScript.Quit");
  return duk_throw(ctx);
}

void Remember(HostState& st, HResult code, const char* ansi_message) noexcept {
  st.pending_code = code;
  try {
    st.pending_message = st.codepage.ToUtf8(ansi_message);
  } catch (...) {
    st.pending_message = "Unexpected error";
  }
}

using Impl = duk_ret_t (*)(duk_context*, HostState&);

template <Impl F>
duk_ret_t Native(duk_context* ctx) {
  HostState& st = StateOf(ctx);
  if (st.quitting) return ThrowQuit(ctx);
  duk_ret_t rc = 0;
  bool failed = false;
  try {
    rc = F(ctx, st);
  } catch (const AutomationError& e) {
    failed = true;
    Remember(st, e.code(), e.what());
  } catch (const std::exception& e) {
    failed = true;
    Remember(st, hr::Fail, e.what());
  } catch (...) {
    failed = true;
    Remember(st, hr::Fail, "Unexpected error");
  }
  if (!failed) return rc;
  PushAutomationError(ctx, st.pending_code, st.pending_message.c_str());
  return duk_throw(ctx);
}

// --- automation objects as proxies ------------------------------------------

DispatchPtr* HolderOf(duk_context* ctx, duk_idx_t idx) {
  idx = duk_normalize_index(ctx, idx);
  if (!duk_is_object(ctx, idx)) return nullptr;
  // Hidden keys bypass proxy traps, so this reads a proxy's target.
  duk_get_prop_string(ctx, idx, kHolderKey);
  void* p = duk_get_pointer(ctx, -1);
  duk_pop(ctx);
  return static_cast<DispatchPtr*>(p);
}

DispatchPtr ObjectOf(duk_context* ctx, duk_idx_t idx) {
  DispatchPtr* holder = HolderOf(ctx, idx);
  if (holder == nullptr || *holder == nullptr) throw AutomationError(hr::Unexpected, "The object has been released");
  return *holder;
}

duk_ret_t FinalizeTarget(duk_context* ctx) {
  duk_get_prop_string(ctx, 0, kHolderKey);
  auto* holder = static_cast<DispatchPtr*>(duk_get_pointer(ctx, -1));
  duk_pop(ctx);
  if (holder != nullptr) {
    duk_push_pointer(ctx, nullptr);
    duk_put_prop_string(ctx, 0, kHolderKey);
    delete holder;
  }
  return 0;
}

// The proxy's target keeps the reference; its finalizer drops it when the
// script lets go of the object (or the heap goes away).
void PushDispatch(duk_context* ctx, const DispatchPtr& obj) {
  duk_push_object(ctx);
  PushFromStash(ctx, kFinalizerKey);
  duk_set_finalizer(ctx, -2);
  duk_push_pointer(ctx, new DispatchPtr(obj));
  duk_put_prop_string(ctx, -2, kHolderKey);
  PushFromStash(ctx, kHandlerKey);
  duk_push_proxy(ctx, 0);
}

[[noreturn]] void TypeMismatch() {
  throw AutomationError(hr::TypeMismatch, "Type mismatch: a script object cannot be passed to an automation member");
}

Variant ToVariant(duk_context* ctx, duk_idx_t idx, const HostState& st) {
  switch (duk_get_type(ctx, idx)) {
    case DUK_TYPE_UNDEFINED: return Variant::Missing();
    case DUK_TYPE_NULL: return Variant();
    case DUK_TYPE_BOOLEAN: return Variant::Bool(duk_get_boolean(ctx, idx) != 0);
    case DUK_TYPE_NUMBER: {
      double d = duk_get_number(ctx, idx);
      if (d >= -2147483648.0 && d <= 2147483647.0 && d == std::trunc(d)) {
        return Variant::I4(static_cast<std::int32_t>(d));
      }
      return Variant::R8(d);
    }
    case DUK_TYPE_STRING: {
      if (duk_is_symbol(ctx, idx)) TypeMismatch();
      duk_size_t n = 0;
      const char* p = duk_get_lstring(ctx, idx, &n);
      return Variant::Str(st.codepage.FromUtf8(std::string(p, n)));
    }
    case DUK_TYPE_OBJECT:
      if (HolderOf(ctx, idx) != nullptr) return Variant::Dispatch(ObjectOf(ctx, idx));
      TypeMismatch();
    default: TypeMismatch();
  }
}

void PushVariant(duk_context* ctx, const Variant& v, const HostState& st) {
  switch (v.type()) {
    case VarType::I2:
    case VarType::I4: duk_push_int(ctx, v.AsI4()); return;
    case VarType::R8: duk_push_number(ctx, v.AsR8()); return;
    case VarType::Bool: duk_push_boolean(ctx, v.AsBool()); return;
    case VarType::Error: duk_push_int(ctx, v.AsError()); return;
    case VarType::Bstr: {
      std::string text = st.codepage.ToUtf8(v.AsStr());
      duk_push_lstring(ctx, text.data(), text.size());
      return;
    }
    case VarType::Dispatch:
      if (v.AsDispatch() == nullptr) {
        duk_push_null(ctx);
      } else {
        PushDispatch(ctx, v.AsDispatch());
      }
      return;
    case VarType::Empty:
    case VarType::Variant: break;
  }
  duk_push_undefined(ctx);
}

// The member a proxy trap's key names; keys are matched as GetIDsOfNames does.
const MemberInfo& MemberOf(duk_context* ctx, const IDispatchObject& obj, duk_idx_t key) {
  const MemberInfo* m = nullptr;
  if (duk_is_string(ctx, key) && !duk_is_symbol(ctx, key)) {
    duk_size_t n = 0;
    const char* p = duk_get_lstring(ctx, key, &n);
    if (std::optional<DispId> id = obj.Members().IdOfName(std::string(p, n))) m = obj.Members().Find(*id);
  }
  if (m == nullptr) throw AutomationError(kNoSuchMember, kNoSuchMemberText);
  return *m;
}

duk_ret_t CallMethod(duk_context* ctx, HostState& st) {
  duk_idx_t argc = duk_get_top(ctx);
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kDispIdKey);
  DispId id = duk_get_int(ctx, -1);
  duk_get_prop_string(ctx, -2, kTargetKey);
  DispatchPtr obj = ObjectOf(ctx, -1);
  duk_pop_3(ctx);
  std::vector<Variant> args;
  args.reserve(static_cast<std::size_t>(argc));
  for (duk_idx_t i = 0; i < argc; ++i) args.push_back(ToVariant(ctx, i, st));
  Variant result = obj->Invoke(id, InvokeKind::Method, args);
  PushVariant(ctx, result, st);
  return 1;
}

// get(target, key, receiver): a property's value, or a method as a function.
duk_ret_t TrapGet(duk_context* ctx, HostState& st) {
  // The engine asks for well-known symbols (conversions); a COM object has none.
  if (duk_is_symbol(ctx, 1)) {
    duk_push_undefined(ctx);
    return 1;
  }
  DispatchPtr obj = ObjectOf(ctx, 0);
  const MemberInfo& m = MemberOf(ctx, *obj, 1);
  if (m.kind == MemberKind::Method) {
    duk_push_c_function(ctx, Native<CallMethod>, DUK_VARARGS);
    duk_push_string(ctx, "name");
    duk_push_lstring(ctx, m.name.data(), m.name.size());
    duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
    duk_dup(ctx, 0);
    duk_put_prop_string(ctx, -2, kTargetKey);
    duk_push_int(ctx, m.dispid);
    duk_put_prop_string(ctx, -2, kDispIdKey);
    return 1;
  }
  Variant result = obj->Invoke(m.dispid, InvokeKind::PropertyGet, {});
  PushVariant(ctx, result, st);
  return 1;
}

// set(target, key, value, receiver)
duk_ret_t TrapSet(duk_context* ctx, HostState& st) {
  DispatchPtr obj = ObjectOf(ctx, 0);
  const MemberInfo& m = MemberOf(ctx, *obj, 1);
  Variant value = ToVariant(ctx, 2, st);
  obj->Invoke(m.dispid, InvokeKind::PropertyPut, {value});
  duk_push_true(ctx);
  return 1;
}

// has(target, key): `"Name" in obj`
duk_ret_t TrapHas(duk_context* ctx, HostState&) {
  bool found = false;
  if (duk_is_string(ctx, 1) && !duk_is_symbol(ctx, 1)) {
    DispatchPtr obj = ObjectOf(ctx, 0);
    duk_size_t n = 0;
    const char* p = duk_get_lstring(ctx, 1, &n);
    found = obj->Members().IdOfName(std::string(p, n)).has_value();
  }
  duk_push_boolean(ctx, found);
  return 1;
}

// new ActiveXObject(progid), WScript.CreateObject(progid)
duk_ret_t CreateObject(duk_context* ctx, HostState& st) {
  duk_to_string(ctx, 0);
  duk_size_t n = 0;
  const char* p = duk_get_lstring(ctx, 0, &n);
  DispatchPtr obj;
  try {
    obj = st.registry.Create(std::string(p, n));
  } catch (...) {
    // The Windows engine reports every failure to create the same way.
  }
  if (obj == nullptr) throw AutomationError(kCantCreateObject, kCantCreateText);
  PushDispatch(ctx, obj);
  return 1;
}

// --- WScript ------------------------------------------------------------------

duk_ret_t Echo(duk_context* ctx, HostState& st) {
  duk_idx_t n = duk_get_top(ctx);
  for (duk_idx_t i = 0; i < n; ++i) {
    // An Empty value echoes as nothing.
    if (duk_is_undefined(ctx, i)) {
      duk_push_string(ctx, "");
      duk_replace(ctx, i);
    }
  }
  duk_push_string(ctx, " ");
  duk_insert(ctx, 0);
  duk_join(ctx, n);
  duk_size_t len = 0;
  const char* p = duk_get_lstring(ctx, -1, &len);
  st.out.write(p, static_cast<std::streamsize>(len));
  st.out.put('\n');
  st.out.flush();
  return 0;
}

duk_ret_t Quit(duk_context* ctx, HostState& st) {
  int code = duk_is_undefined(ctx, 0) ? 0 : static_cast<int>(duk_to_int32(ctx, 0));
  st.quitting = true;
  st.quit_code = code;
  return ThrowQuit(ctx);
}

// WScript.Arguments(i) and WScript.Arguments.Item(i)
duk_ret_t ArgumentItem(duk_context* ctx, HostState& st) {
  double i = duk_to_number(ctx, 0);
  if (!(i >= 0 && i < static_cast<double>(st.args.size()))) {
    PushAutomationError(ctx, kSubscriptOutOfRange, "Subscript out of range");
    return duk_throw(ctx);
  }
  const std::string& arg = st.args[static_cast<std::size_t>(i)];
  duk_push_lstring(ctx, arg.data(), arg.size());
  return 1;
}

duk_ret_t ArgumentCount(duk_context* ctx, HostState& st) {
  duk_push_uint(ctx, static_cast<duk_uint_t>(st.args.size()));
  return 1;
}

void PutFunction(duk_context* ctx, const char* name, duk_c_function f, duk_idx_t nargs) {
  duk_push_c_function(ctx, f, nargs);
  duk_put_prop_string(ctx, -2, name);
}

void PutString(duk_context* ctx, const char* name, const std::string& value) {
  duk_push_lstring(ctx, value.data(), value.size());
  duk_put_prop_string(ctx, -2, name);
}

void DefineGlobals(duk_context* ctx, HostState& st) {
  duk_push_global_stash(ctx);
  duk_push_pointer(ctx, &st);
  duk_put_prop_string(ctx, -2, kStateKey);
  duk_get_global_string(ctx, "Error");
  duk_put_prop_string(ctx, -2, kErrorCtorKey);
  duk_push_c_function(ctx, FinalizeTarget, 2);
  duk_put_prop_string(ctx, -2, kFinalizerKey);
  duk_push_object(ctx);
  PutFunction(ctx, "get", Native<TrapGet>, 3);
  PutFunction(ctx, "set", Native<TrapSet>, 4);
  PutFunction(ctx, "has", Native<TrapHas>, 2);
  duk_put_prop_string(ctx, -2, kHandlerKey);
  duk_pop(ctx);

  duk_push_global_object(ctx);
  PutFunction(ctx, "ActiveXObject", Native<CreateObject>, 1);

  duk_push_object(ctx);  // WScript
  PutFunction(ctx, "Echo", Native<Echo>, DUK_VARARGS);
  PutFunction(ctx, "Quit", Native<Quit>, 1);
  PutFunction(ctx, "CreateObject", Native<CreateObject>, 1);
  PutString(ctx, "ScriptName", st.script_name);
  PutString(ctx, "ScriptFullName", st.script_full_name);
  duk_push_c_function(ctx, Native<ArgumentItem>, 1);  // WScript.Arguments
  duk_push_string(ctx, "length");
  duk_push_uint(ctx, static_cast<duk_uint_t>(st.args.size()));
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
  PutFunction(ctx, "Item", Native<ArgumentItem>, 1);
  PutFunction(ctx, "Count", Native<ArgumentCount>, 0);
  duk_put_prop_string(ctx, -2, "Arguments");
  duk_put_prop_string(ctx, -2, "WScript");
  duk_pop(ctx);
}

duk_ret_t RunProtected(duk_context* ctx, void* udata) {
  HostState& st = *static_cast<HostState*>(udata);
  DefineGlobals(ctx, st);
  duk_push_lstring(ctx, st.source.data(), st.source.size());
  duk_push_lstring(ctx, st.script_path.data(), st.script_path.size());
  duk_compile(ctx, 0);
  duk_call(ctx, 0);
  return 0;
}

// The compiler appends " (line N)" to a SyntaxError's message; the report
// puts the line in front instead.
long TrailingLine(const char* text, std::size_t* cut) {
  const char* open = std::strrchr(text, '(');
  if (open == nullptr || open == text || open[-1] != ' ' || std::strncmp(open, "(line ", 6) != 0) return 0;
  char* end = nullptr;
  long line = std::strtol(open + 6, &end, 10);
  if (end == nullptr || std::strcmp(end, ")") != 0) return 0;
  *cut = static_cast<std::size_t>(open - 1 - text);
  return line;
}

// Formats the uncaught value at index 0 into st.report. Reading the error's
// properties may run script getters, so this runs protected.
duk_ret_t DescribeUncaught(duk_context* ctx, void* udata) {
  HostState& st = *static_cast<HostState*>(udata);
  long line = 0;
  bool has_number = false;
  std::uint32_t number = 0;
  const char* text = nullptr;
  bool syntax = false;
  if (duk_is_error(ctx, 0)) {
    duk_get_prop_string(ctx, 0, "name");
    syntax = duk_is_string(ctx, -1) && std::strcmp(duk_get_string(ctx, -1), "SyntaxError") == 0;
    duk_get_prop_string(ctx, 0, "lineNumber");
    if (duk_is_number(ctx, -1)) line = static_cast<long>(duk_get_number(ctx, -1));
    duk_get_prop_string(ctx, 0, "number");
    if (duk_is_number(ctx, -1)) {
      has_number = true;
      number = static_cast<std::uint32_t>(duk_to_uint32(ctx, -1));
      duk_get_prop_string(ctx, 0, "description");
      if (duk_is_string(ctx, -1)) text = duk_get_string(ctx, -1);
    }
  }
  if (text == nullptr) text = duk_safe_to_string(ctx, 0);
  std::size_t len = std::strlen(text);
  if (syntax) {
    long compiled_line = TrailingLine(text, &len);
    if (line <= 0) line = compiled_line;
  }

  char tail[32] = "";
  if (has_number) std::snprintf(tail, sizeof tail, " (0x%08X)", static_cast<unsigned>(number));
  st.report = st.script_path;
  if (line > 0) st.report += ":" + std::to_string(line);
  st.report += ": ";
  st.report.append(text, len);
  st.report += tail;
  return 0;
}

void Fatal(void*, const char* message) {
  std::fprintf(stderr, "notaro-host: script engine failure: %s\n", message != nullptr ? message : "");
  std::abort();
}

}  // namespace

ScriptHost::ScriptHost(const ICodePage& codepage, const ClassRegistry& registry, std::ostream& out,
                       std::ostream& err)
    : codepage_(codepage), registry_(registry), out_(out), err_(err) {}

int ScriptHost::Run(const std::string& source, const std::string& script_path,
                    const std::vector<std::string>& args) {
  HostState st(codepage_, registry_, out_, source, script_path, args);
  std::filesystem::path path(script_path);
  st.script_name = path.filename().string();
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  st.script_full_name = ec ? script_path : full.lexically_normal().string();

  duk_context* ctx = duk_create_heap(nullptr, nullptr, nullptr, nullptr, Fatal);
  if (ctx == nullptr) {
    err_ << script_path << ": cannot start the script engine" << std::endl;
    return kUncaughtExitStatus;
  }
  int status = 0;
  if (duk_safe_call(ctx, RunProtected, &st, 0, 1) != DUK_EXEC_SUCCESS && !st.quitting) {
    if (duk_safe_call(ctx, DescribeUncaught, &st, 1, 1) != DUK_EXEC_SUCCESS) {
      st.report = script_path + ": uncaught exception";
    }
    err_ << st.report << std::endl;
    status = kUncaughtExitStatus;
  }
  // A script may catch the error WScript.Quit unwinds with; it still quits.
  if (st.quitting) status = st.quit_code;
  duk_pop(ctx);
  // Runs the finalizers, releasing every object the script still holds.
  duk_destroy_heap(ctx);
  return status;
}

int ScriptHost::RunFile(const std::string& script_path, const std::vector<std::string>& args) {
  std::ifstream in(script_path, std::ios::binary);
  if (!in) {
    err_ << script_path << ": cannot open the script" << std::endl;
    return kUncaughtExitStatus;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const char kBom[] = "\xEF\xBB\xBF";
  std::string source = StartsWith(bytes, kBom) ? bytes.substr(3) : codepage_.ToUtf8(bytes);
  return Run(source, script_path, args);
}

}  // namespace kit::script
