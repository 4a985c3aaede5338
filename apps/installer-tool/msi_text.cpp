#include "apps/installer-tool/msi_text.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace kit::installer {

namespace {

constexpr const char* kMark = "~U";

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// The few calls of libmsi (the library wixl is built on) that are needed,
// bound at run time: it ships without development files.
struct GErrorView {
  unsigned domain;
  int code;
  char* message;
};

class Libmsi {
 public:
  Libmsi() {
    if (dlopen("libmsi.so.0", RTLD_NOW | RTLD_GLOBAL) == nullptr) {
      throw MsiError(std::string("cannot load libmsi.so.0 (Debian package libmsi0, which wixl needs): ") + dlerror());
    }
    Bind(database_new, "libmsi_database_new");
    Bind(database_import, "libmsi_database_import");
    Bind(database_export, "libmsi_database_export");
    Bind(database_commit, "libmsi_database_commit");
    Bind(query_new, "libmsi_query_new");
    Bind(query_execute, "libmsi_query_execute");
    Bind(query_fetch, "libmsi_query_fetch");
    Bind(record_get_string, "libmsi_record_get_string");
    Bind(summary_new, "libmsi_summary_info_new");
    Bind(summary_get_string, "libmsi_summary_info_get_string");
    Bind(summary_set_string, "libmsi_summary_info_set_string");
    Bind(summary_persist, "libmsi_summary_info_persist");
    Bind(object_unref, "g_object_unref");
    Bind(free, "g_free");
    Bind(error_free, "g_error_free");
  }

  void* (*database_new)(const char*, unsigned, const char*, GErrorView**) = nullptr;
  int (*database_import)(void*, const char*, GErrorView**) = nullptr;
  int (*database_export)(void*, const char*, int, GErrorView**) = nullptr;
  int (*database_commit)(void*, GErrorView**) = nullptr;
  void* (*query_new)(void*, const char*, GErrorView**) = nullptr;
  int (*query_execute)(void*, void*, GErrorView**) = nullptr;
  void* (*query_fetch)(void*, GErrorView**) = nullptr;
  char* (*record_get_string)(void*, unsigned) = nullptr;
  void* (*summary_new)(void*, unsigned, GErrorView**) = nullptr;
  const char* (*summary_get_string)(void*, int, GErrorView**) = nullptr;
  int (*summary_set_string)(void*, int, const char*, GErrorView**) = nullptr;
  int (*summary_persist)(void*, GErrorView**) = nullptr;
  void (*object_unref)(void*) = nullptr;
  void (*free)(void*) = nullptr;
  void (*error_free)(GErrorView*) = nullptr;

  // Throws with the library's message, if it left one.
  [[noreturn]] void Fail(const std::string& what, GErrorView*& error) {
    std::string message = what;
    if (error != nullptr) {
      if (error->message != nullptr) message += ": " + std::string(error->message);
      error_free(error);
      error = nullptr;
    }
    throw MsiError(message);
  }

 private:
  template <typename F>
  void Bind(F& f, const char* name) {
    void* p = dlsym(RTLD_DEFAULT, name);
    if (p == nullptr) throw MsiError(std::string("libmsi lacks ") + name);
    f = reinterpret_cast<F>(p);
  }
};

constexpr unsigned kTransact = 4;
// Summary information properties that hold text.
constexpr int kSummaryText[] = {2, 3, 4, 5, 6, 8};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) throw MsiError("cannot write " + path);
}

std::string ToCodepage(const std::string& utf8, int codepage) {
  std::string name = "CP" + std::to_string(codepage);
  iconv_t cd = iconv_open(name.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw MsiError("no conversion to code page " + name);
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t in_left = utf8.size(), out_left = out.size();
  char* o = &out[0];
  std::size_t r = iconv(cd, &in, &in_left, &o, &out_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) throw MsiError("text not in code page " + name + ": " + utf8);
  out.resize(out.size() - out_left);
  return out;
}

// A scratch folder for the table files the library reads and writes.
class Scratch {
 public:
  explicit Scratch(const std::string& near) {
    std::string pattern = near + ".tables.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) throw MsiError("cannot make a folder beside " + near);
    dir_ = buf.data();
  }
  ~Scratch() {
    for (const std::string& f : files_) unlink(f.c_str());
    rmdir(dir_.c_str());
  }
  std::string File(const std::string& name) {
    files_.push_back(dir_ + "/" + name);
    return files_.back();
  }

 private:
  std::string dir_;
  std::vector<std::string> files_;
};

}  // namespace

std::string EscapeNonAscii(const std::string& text) {
  if (text.find(kMark) != std::string::npos) throw MsiError("the text already holds the mark ~U");
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += text[i++];
      continue;
    }
    out += kMark;
    for (; i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80; ++i) {
      auto b = static_cast<unsigned char>(text[i]);
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
    out += '~';
  }
  return out;
}

std::string UnescapeNonAscii(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = text.compare(i, 2, kMark) == 0 ? text.find('~', i + 2) : std::string::npos;
    bool mark = end != std::string::npos && end > i + 2 && (end - i - 2) % 2 == 0;
    for (std::size_t k = i + 2; mark && k < end; ++k) mark = IsHex(text[k]);
    if (!mark) {
      out += text[i++];
      continue;
    }
    for (std::size_t k = i + 2; k < end; k += 2) {
      out += static_cast<char>(std::strtoul(text.substr(k, 2).c_str(), nullptr, 16));
    }
    i = end + 1;
  }
  return out;
}

void DecodeDatabase(const std::string& msi_path, int codepage) {
  Libmsi msi;
  GErrorView* error = nullptr;
  void* db = msi.database_new(msi_path.c_str(), kTransact, nullptr, &error);
  if (db == nullptr) msi.Fail("cannot open " + msi_path, error);
  Scratch scratch(msi_path);

  // A table file of no columns whose second line names the code page.
  const std::string force = scratch.File("codepage.idt");
  WriteAll(force, "\r\n" + std::to_string(codepage) + "\t_ForceCodepage\r\n\r\n");
  if (!msi.database_import(db, force.c_str(), &error)) {
    msi.Fail("cannot set code page " + std::to_string(codepage), error);
  }

  std::vector<std::string> tables;
  void* query = msi.query_new(db, "SELECT `Name` FROM `_Tables`", &error);
  if (query == nullptr || !msi.query_execute(query, nullptr, &error)) msi.Fail("cannot list the tables", error);
  while (void* record = msi.query_fetch(query, &error)) {
    char* name = msi.record_get_string(record, 1);
    tables.emplace_back(name);
    msi.free(name);
    msi.object_unref(record);
  }
  if (error != nullptr) msi.Fail("cannot list the tables", error);
  msi.object_unref(query);

  for (const std::string& table : tables) {
    const std::string file = scratch.File(table + ".idt");
    int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    if (fd < 0) throw MsiError("cannot write " + file);
    bool exported = msi.database_export(db, table.c_str(), fd, &error);
    close(fd);
    if (!exported) {
      // Tables of streams (icons, binaries) hold no text of ours.
      if (error != nullptr) msi.error_free(error);
      error = nullptr;
      continue;
    }
    std::string text = ReadAll(file);
    std::string decoded = UnescapeNonAscii(text);
    if (decoded == text) continue;
    WriteAll(file, decoded);
    if (!msi.database_import(db, file.c_str(), &error)) msi.Fail("cannot rewrite table " + table, error);
  }

  void* summary = msi.summary_new(db, 16, &error);
  if (summary == nullptr) msi.Fail("cannot open the summary information", error);
  for (int property : kSummaryText) {
    const char* value = msi.summary_get_string(summary, property, &error);
    if (error != nullptr) {
      msi.error_free(error);
      error = nullptr;
      continue;
    }
    if (value == nullptr) continue;
    std::string text = value;
    std::string decoded = UnescapeNonAscii(text);
    if (decoded == text) continue;
    if (!msi.summary_set_string(summary, property, ToCodepage(decoded, codepage).c_str(), &error)) {
      msi.Fail("cannot set summary property " + std::to_string(property), error);
    }
  }
  if (!msi.summary_persist(summary, &error)) msi.Fail("cannot write the summary information", error);
  msi.object_unref(summary);
  if (!msi.database_commit(db, &error)) msi.Fail("cannot write " + msi_path, error);
  msi.object_unref(db);
}

void SetComponentCondition(const std::string& msi_path, const std::string& component, const std::string& condition) {
  // Literals in the query: a quote in either would end them.
  if (component.find('\'') != std::string::npos || condition.find('\'') != std::string::npos) {
    throw MsiError("a component's name or condition with a quote: " + component + ": " + condition);
  }
  Libmsi msi;
  GErrorView* error = nullptr;
  void* db = msi.database_new(msi_path.c_str(), kTransact, nullptr, &error);
  if (db == nullptr) msi.Fail("cannot open " + msi_path, error);
  auto run = [&](const std::string& sql) {
    void* query = msi.query_new(db, sql.c_str(), &error);
    if (query == nullptr || !msi.query_execute(query, nullptr, &error)) msi.Fail("cannot run " + sql, error);
    return query;
  };
  const std::string where = " WHERE `Component` = '" + component + "'";
  msi.object_unref(run("UPDATE `Component` SET `Condition` = '" + condition + "'" + where));
  // Read back: an unknown component is updated without a word.
  void* check = run("SELECT `Condition` FROM `Component`" + where);
  void* record = msi.query_fetch(check, &error);
  std::string stored;
  if (record != nullptr) {
    char* text = msi.record_get_string(record, 1);
    stored = text != nullptr ? text : "";
    msi.free(text);
    msi.object_unref(record);
  }
  if (error != nullptr) msi.error_free(error);
  error = nullptr;
  msi.object_unref(check);
  if (stored != condition) throw MsiError("the package has no component " + component);
  if (!msi.database_commit(db, &error)) msi.Fail("cannot write " + msi_path, error);
  msi.object_unref(db);
}

}  // namespace kit::installer
