// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/word/word_standin.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ports/emf.h"

namespace kit::sim {

using automation::AutomationError;
using automation::DispId;
using automation::DispatchPtr;
using automation::InvokeKind;
using automation::Variant;
using automation::VarType;

namespace {

const automation::DispatchTable& NoNames() {
  static const automation::DispatchTable table({});
  return table;
}

std::int32_t Long(const std::vector<Variant>& a, std::size_t i) {
  if (i >= a.size() || a[i].IsMissing()) throw AutomationError(hr::ParamNotFound, "Argument missing");
  return automation::Coerce(a[i], VarType::I4).AsI4();
}

[[noreturn]] void NoMember(const std::string& object, DispId id) {
  throw AutomationError(hr::MemberNotFound, object + " has no member " + std::to_string(id));
}

Variant Obj(DispatchPtr p) { return Variant::Dispatch(std::move(p)); }

class Base : public automation::IDispatchObject {
 public:
  Base(WordStandIn* s, std::string kind) : s_(s), kind_(std::move(kind)) {}
  const automation::DispatchTable& Members() const override { return NoNames(); }
  Variant Invoke(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    s_->Record(kind_, id, kind, args);
    return Answer(id, kind, args);
  }

 protected:
  virtual Variant Answer(DispId id, InvokeKind kind, const std::vector<Variant>& args) = 0;
  WordStandIn* s_;
  std::string kind_;
};

using Doc = std::shared_ptr<WordStandIn::Document>;

std::int32_t TotalLength(const WordStandIn::Document& d) {
  std::int32_t n = 0;
  for (const auto& p : d.pages) n += static_cast<std::int32_t>(p.size());
  return n;
}
std::int32_t PageStart(const WordStandIn::Document& d, int page) {  // page 1-based
  std::int32_t n = 0;
  for (int i = 0; i + 1 < page && i < static_cast<int>(d.pages.size()); ++i) n += static_cast<std::int32_t>(d.pages[i].size());
  return n;
}
// The page holding a character position; the end of the text is on the last page.
int PageAt(const WordStandIn::Document& d, std::int32_t pos) {
  std::int32_t n = 0;
  for (int i = 0; i < static_cast<int>(d.pages.size()); ++i) {
    n += static_cast<std::int32_t>(d.pages[i].size());
    if (pos < n) return i + 1;
  }
  return static_cast<int>(d.pages.size());
}

class Range : public Base {
 public:
  Range(WordStandIn* s, Doc d, std::int32_t start, std::int32_t end)
      : Base(s, "Range"), d_(std::move(d)), start_(start), end_(end) {}

 protected:
  Variant Answer(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    switch (id) {
      case 3: return Variant::I4(start_);
      case 4: return Variant::I4(end_);
      case 313:
        if (Long(args, 0) == 3) return Variant::I4(PageAt(*d_, end_));
        return Variant::I4(0);
      case 167:
        s_->PutPagePicture(*d_, PageAt(*d_, start_));
        return {};
      case 0:
        if (kind == InvokeKind::PropertyPut) {
          Replace(args.at(0).AsStr());
          return {};
        }
        return Variant::Str(d_->Text().substr(static_cast<std::size_t>(start_), static_cast<std::size_t>(end_ - start_)));
      case 0x78:
        s_->copied_text = d_->Text().substr(static_cast<std::size_t>(start_), static_cast<std::size_t>(end_ - start_));
        return {};
      case 0x79: Replace(s_->copied_text); return {};
      default: NoMember(kind_, id);
    }
  }

 private:
  void Replace(const std::string& with) {
    std::string t = d_->Text();
    t.replace(static_cast<std::size_t>(start_), static_cast<std::size_t>(end_ - start_), with);
    d_->SetText(t);
    end_ = start_ + static_cast<std::int32_t>(with.size());
  }
  Doc d_;
  std::int32_t start_, end_;
};

class BookmarkRange : public Base {
 public:
  BookmarkRange(WordStandIn* s, Doc d, std::size_t i) : Base(s, "Range"), d_(std::move(d)), i_(i) {}

 protected:
  Variant Answer(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    if (i_ >= d_->bookmarks.size()) throw AutomationError(hr::Exception, "The object has been deleted.");
    auto& mark = d_->bookmarks.at(i_);
    switch (id) {
      case 0:
        if (kind != InvokeKind::PropertyPut) return Variant::Str(mark.second);
        // Word drops a bookmark whose whole text is replaced.
        if (s_->text_removes_bookmark) {
          d_->bookmarks.erase(d_->bookmarks.begin() + static_cast<std::ptrdiff_t>(i_));
        } else {
          mark.second = args.at(0).AsStr();
        }
        return {};
      case 0x79: mark.second = s_->copied_text; return {};
      default: NoMember(kind_, id);
    }
  }

 private:
  Doc d_;
  std::size_t i_;
};

class Bookmark : public Base {
 public:
  Bookmark(WordStandIn* s, Doc d, std::size_t i) : Base(s, "Bookmark"), d_(std::move(d)), i_(i) {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>&) override {
    if (i_ >= d_->bookmarks.size()) throw AutomationError(hr::Exception, "The object has been deleted.");
    switch (id) {
      case 0: return Variant::Str(d_->bookmarks[i_].first);
      case 1: return Obj(std::make_shared<BookmarkRange>(s_, d_, i_));
      default: NoMember(kind_, id);
    }
  }

 private:
  Doc d_;
  std::size_t i_;
};

class Bookmarks : public Base {
 public:
  Bookmarks(WordStandIn* s, Doc d) : Base(s, "Bookmarks"), d_(std::move(d)) {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    switch (id) {
      case 2: return Variant::I4(static_cast<std::int32_t>(d_->bookmarks.size()));
      case 0: {
        const std::int32_t i = Long(args, 0);
        if (i < 1 || i > static_cast<std::int32_t>(d_->bookmarks.size()))
          throw AutomationError(hr::InvalidArg, "The requested member of the collection does not exist.");
        return Obj(std::make_shared<Bookmark>(s_, d_, static_cast<std::size_t>(i - 1)));
      }
      default: NoMember(kind_, id);
    }
  }

 private:
  Doc d_;
};

class Document;

class CommandObject : public Base {
 public:
  // A control of a bar.
  CommandObject(WordStandIn* s, std::size_t bar, std::size_t ctl) : Base(s, "Control"), bar_(bar), ctl_(ctl) {}

 protected:
  Variant Answer(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    StandInCommand& c = s_->bars.at(bar_).controls.at(ctl_);
    switch (id) {
      case 0x60040003:
        if (kind == InvokeKind::PropertyPut) {
          c.caption = args.at(0).AsStr();
          return {};
        }
        return Variant::Str(c.caption);
      case 0x6004000A: c.enabled = args.at(0).AsBool(); return {};
      case 0x60040025:
      case 0x60040029:
      case 0x6005000A: return {};
      default: NoMember(kind_, id);
    }
  }

 private:
  std::size_t bar_, ctl_;
};

class Controls : public Base {
 public:
  Controls(WordStandIn* s, std::size_t bar) : Base(s, "Controls"), bar_(bar) {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    auto& list = s_->bars.at(bar_).controls;
    switch (id) {
      case 0x60030001: return Variant::I4(static_cast<std::int32_t>(list.size()));
      case 0: {
        const Variant& key = args.at(0);
        if (key.type() == VarType::Bstr) {
          for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].caption == key.AsStr()) return Obj(std::make_shared<CommandObject>(s_, bar_, i));
          throw AutomationError(hr::InvalidArg, "No control with that caption");
        }
        const std::int32_t i = Long(args, 0);
        if (i < 1 || i > static_cast<std::int32_t>(list.size())) throw AutomationError(hr::InvalidArg, "Bad control index");
        return Obj(std::make_shared<CommandObject>(s_, bar_, static_cast<std::size_t>(i - 1)));
      }
      case 0x60030000:
        list.push_back({});
        return Obj(std::make_shared<CommandObject>(s_, bar_, list.size() - 1));
      default: NoMember(kind_, id);
    }
  }

 private:
  std::size_t bar_;
};

class Bar : public Base {
 public:
  Bar(WordStandIn* s, std::size_t bar) : Base(s, "CommandBar"), bar_(bar) {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    switch (id) {
      case 0x60040003: return Obj(std::make_shared<Controls>(s_, bar_));
      case 0x60040005: s_->bars.at(bar_).enabled = args.at(0).AsBool(); return {};
      case 0x6004001E: return {};
      default: NoMember(kind_, id);
    }
  }

 private:
  std::size_t bar_;
};

class Bars : public Base {
 public:
  explicit Bars(WordStandIn* s) : Base(s, "CommandBars") {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    switch (id) {
      case 0x60030003: return Variant::I4(static_cast<std::int32_t>(s_->bars.size()));
      case 0: {
        const Variant& key = args.at(0);
        if (key.type() == VarType::Bstr) {
          for (std::size_t i = 0; i < s_->bars.size(); ++i)
            if (s_->bars[i].name == key.AsStr()) return Obj(std::make_shared<Bar>(s_, i));
          throw AutomationError(hr::InvalidArg, "No bar of that name");
        }
        const std::int32_t i = Long(args, 0);
        if (i < 1 || i > static_cast<std::int32_t>(s_->bars.size())) throw AutomationError(hr::InvalidArg, "Bad bar index");
        return Obj(std::make_shared<Bar>(s_, static_cast<std::size_t>(i - 1)));
      }
      case 0x60030002:
        s_->bars.push_back({args.empty() ? std::string() : args[0].AsStr(), true, {}});
        return Obj(std::make_shared<Bar>(s_, s_->bars.size() - 1));
      default: NoMember(kind_, id);
    }
  }
};

class Document : public Base {
 public:
  Document(WordStandIn* s, Doc d) : Base(s, "Document"), d_(std::move(d)) {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    WordStandIn::Document& d = *d_;
    switch (id) {
      case 0x4: return Obj(std::make_shared<Bookmarks>(s_, d_));
      case 0x29: return Obj(std::make_shared<Range>(s_, d_, 0, TotalLength(d)));
      case 0x39: return Obj(std::make_shared<Bars>(s_));
      case 0x13A: d.track_revisions = args.at(0).AsBool(); return {};
      case 0x13B: d.print_revisions = args.at(0).AsBool(); return {};
      case 0x13C: d.show_revisions = args.at(0).AsBool(); return {};
      case 0x71: return {};
      case 0x78: d.protection = Long(args, 0); return {};
      case 0x66:
        if (args.size() > 1 && !args[1].IsMissing() && Long(args, 1) == 8) {
          d.WriteWebPage(args.at(0).AsStr());
          return {};
        }
        d.Write(args.at(0).AsStr());
        d.saved_as = args.at(0).AsStr();
        d.path = d.saved_as;
        return {};
      case 0x6C:
        d.Write(d.path);
        ++d.saves;
        return {};
      case 0x451: d.closed = true; return {};
      case 115: {
        if (Long(args, 0) != 1) throw AutomationError(hr::InvalidArg, "Only pages here");
        const std::int32_t which = Long(args, 1);
        const int last = static_cast<int>(d.pages.size());
        int page = which == -1 ? last : std::clamp(Long(args, 2), 1, last);
        const std::int32_t at = PageStart(d, page);
        return Obj(std::make_shared<Range>(s_, d_, at, at));
      }
      case 2000: {
        const std::int32_t a = Long(args, 0), b = Long(args, 1);
        if (a < 0 || b < a || b > TotalLength(d)) throw AutomationError(hr::InvalidArg, "Bad range");
        return Obj(std::make_shared<Range>(s_, d_, a, b));
      }
      default: NoMember(kind_, id);
    }
  }

 private:
  Doc d_;
};

class Documents : public Base {
 public:
  explicit Documents(WordStandIn* s) : Base(s, "Documents") {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    switch (id) {
      case 0xC: return Obj(s_->OpenDocument(args.at(0).AsStr()));
      case 0xE: return Obj(s_->AddDocument());
      default: NoMember(kind_, id);
    }
  }
};

class Application : public Base {
 public:
  explicit Application(WordStandIn* s) : Base(s, "Application") {}

 protected:
  Variant Answer(DispId id, InvokeKind kind, const std::vector<Variant>& args) override {
    switch (id) {
      case 0x6: return Obj(std::make_shared<Documents>(s_));
      case 0x3:
        for (auto it = s_->documents.rbegin(); it != s_->documents.rend(); ++it)
          if (!(*it)->closed) return Obj(std::make_shared<Document>(s_, *it));
        throw AutomationError(hr::Exception, "This command is not available because no document is open.");
      case 0x17: s_->visible = args.at(0).AsBool(); return {};
      case 0x1D: s_->status_bar = args.at(0).AsBool(); return {};
      case 0x34:
        if (kind == InvokeKind::PropertyPut) {
          s_->user_name = args.at(0).AsStr();
          return {};
        }
        return Variant::Str(s_->user_name);
      case 0x39: return Obj(std::make_shared<Bars>(s_));
      case 0x181: return {};
      case 0x451: s_->quit = true; return {};
      default: NoMember(kind_, id);
    }
  }
};

class WpsOwner : public Base {
 public:
  explicit WpsOwner(WordStandIn* s) : Base(s, "WpsApplication") {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>&) override {
    if (id != 1105) NoMember(kind_, id);
    ++s_->wps_closes;
    return {};
  }
};

class WpsDoc : public Base {
 public:
  WpsDoc(WordStandIn* s, int pages) : Base(s, "WpsDocument"), pages_(pages) {}

 protected:
  Variant Answer(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    switch (id) {
      case 4097: {
        const std::int32_t page = Long(args, 0);
        if (page < 1 || page > pages_) throw AutomationError(hr::Exception, "Page number out of range");
        s_->PutWpsPicture(page);
        return {};
      }
      case 1: return Obj(std::make_shared<WpsOwner>(s_));
      default: NoMember(kind_, id);
    }
  }

 private:
  int pages_;
};

}  // namespace

std::string WordStandIn::Document::Text() const {
  std::string t;
  for (const auto& p : pages) t += p;
  return t;
}

void WordStandIn::Document::SetText(const std::string& text) {
  pages.clear();
  std::size_t from = 0;
  for (;;) {
    const std::size_t ff = text.find('\f', from);
    pages.push_back(text.substr(from, ff == std::string::npos ? std::string::npos : ff - from + 1));
    if (ff == std::string::npos) break;
    from = ff + 1;
  }
}

void WordStandIn::Document::Write(const std::string& to) const {
  const std::string native = owner != nullptr ? owner->NativePath(to) : to;
  std::ofstream out(native, std::ios::binary);
  out << Text();
  if (native.empty() || !out) throw AutomationError(hr::Exception, "The file could not be saved: " + to, "Word");
  if (owner != nullptr) owner->bookmarks_of[native] = bookmarks;
}

void WordStandIn::Document::WriteWebPage(const std::string& to) const {
  // Word names the picture folder after the page: a.htm, a.files.
  const std::size_t dot = to.rfind('.');
  const std::string base = dot == std::string::npos || to.find('\\', dot) != std::string::npos ? to : to.substr(0, dot);
  const std::size_t cut = base.find_last_of("\\/");
  const std::string folderName = (cut == std::string::npos ? base : base.substr(cut + 1)) + ".files";
  const std::string native = owner != nullptr ? owner->NativePath(to) : to;
  std::ofstream out(native, std::ios::binary);
  if (native.empty() || !out) throw AutomationError(hr::Exception, "The file could not be saved: " + to, "Word");
  out << "<html>\r\n<head>\r\n";
  const std::string text = Text();
  int pictures = 0;
  for (std::size_t at = text.find("[picture]"); at != std::string::npos; at = text.find("[picture]", at + 1)) ++pictures;
  if (pictures > 0) out << "<link rel=File-List href=\"" << folderName << "/filelist.xml\">\r\n";
  out << "</head>\r\n<body>\r\n<p>" << text << "</p>\r\n";
  for (int i = 1; i <= pictures; ++i)
    out << "<img width=32 height=32 src=\"" << folderName << "/image00" << i << ".jpg\">\r\n";
  out << "</body>\r\n</html>\r\n";
  if (pictures == 0) return;
  const std::string folder = owner != nullptr ? owner->NativePath(base + ".files") : base + ".files";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/filelist.xml", std::ios::binary) << "<xml></xml>\r\n";
  for (int i = 1; i <= pictures; ++i)
    std::ofstream(folder + "/image00" + std::to_string(i) + ".jpg", std::ios::binary) << "picture " << i;
}

std::string DescribeArg(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return "empty";
    case VarType::I2: return "I2:" + std::to_string(v.AsI4());
    case VarType::I4: return "I4:" + std::to_string(v.AsI4());
    case VarType::R8: return "R8:" + std::to_string(v.AsR8());
    case VarType::Bool: return std::string("BOOL:") + (v.AsBool() ? "1" : "0");
    case VarType::Bstr: return "STR:" + v.AsStr();
    case VarType::Dispatch: return "DISPATCH";
    case VarType::Error:
      if (v.IsMissing()) return "missing";
      return "ERROR:" + std::to_string(v.AsError());
    case VarType::Variant: return "VARIANT";
  }
  return "?";
}

std::string Describe(const StandInCall& c) {
  std::string s = c.object + " " + std::to_string(c.dispid) + " ";
  s += c.kind == InvokeKind::Method ? "call" : c.kind == InvokeKind::PropertyGet ? "get" : "put";
  for (const auto& a : c.args) s += " " + DescribeArg(a);
  return s;
}

std::vector<std::string> WordStandIn::Log() const {
  std::vector<std::string> out;
  for (const auto& c : calls) out.push_back(Describe(c));
  return out;
}

void WordStandIn::Record(const std::string& object, DispId id, InvokeKind kind, const std::vector<Variant>& args) {
  calls.push_back({object, id, kind, args});
  const int n = ++counts_[object + "#" + std::to_string(id)];
  for (const auto& f : failures_)
    if (f.object == object && f.id == id && f.nth == n - f.before)
      throw AutomationError(f.code, "Stand-in told to fail " + object + " " + std::to_string(id), "Word");
}

void WordStandIn::FailOn(const std::string& object, DispId id, int nth, HResult code) {
  failures_.push_back({object, id, nth, code, counts_[object + "#" + std::to_string(id)]});
}

DispatchPtr WordStandIn::Application() {
  if (!app_) app_ = std::make_shared<sim::Application>(this);
  return app_;
}

DispatchPtr WordStandIn::AddDocument() {
  auto d = std::make_shared<Document>();
  d->owner = this;
  d->SetText(std::string());
  documents.push_back(d);
  return std::make_shared<sim::Document>(this, d);
}

std::string WordStandIn::NativePath(const std::string& path) const {
  if (!map_path) return path;
  try {
    return map_path(path);
  } catch (const std::exception&) {
    return std::string();  // a path the desktop would not have
  }
}

DispatchPtr WordStandIn::OpenDocument(const std::string& path) {
  auto d = std::make_shared<Document>();
  d->owner = this;
  d->path = path;
  std::string text;
  if (!path.empty()) {
    const std::string native = NativePath(path);
    std::ifstream in(native, std::ios::binary);
    if (native.empty() || !in) throw AutomationError(hr::Exception, "The document could not be opened: " + path, "Word");
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    auto marks = bookmarks_of.find(native);
    if (marks != bookmarks_of.end()) d->bookmarks = marks->second;
  }
  d->SetText(text);
  documents.push_back(d);
  return std::make_shared<sim::Document>(this, d);
}

DispatchPtr WordStandIn::WpsDocument(int pages) { return std::make_shared<WpsDoc>(this, pages); }

DispatchPtr WordStandIn::OpenWpsDocument(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw AutomationError(hr::Exception, "The document could not be opened: " + path, "WPS");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return WpsDocument(1 + static_cast<int>(std::count(text.begin(), text.end(), '\f')));
}

void WordStandIn::PutPagePicture(const Document& doc, int page) {
  if (copy_nothing || clipboard_ == nullptr) return;
  // An A4 page; the description names the page so tests can tell them apart.
  std::string desc = "Word page " + std::to_string(page) + " of " + doc.path;
  std::u16string wide(desc.begin(), desc.end());
  clipboard_->PutMetafile(MakeEmfBits(RectL{0, 0, 21000, 29700}, wide, picture_bytes));
}

void WordStandIn::PutWpsPicture(int page) {
  if (clipboard_ == nullptr) return;
  if (wps_pictures_as_bitmaps) {
    ClipboardBitmap b;
    b.width = 4 + page;
    b.height = 3;
    b.pixels.assign(static_cast<std::size_t>(b.width * b.height), 0x00FF0000u + static_cast<std::uint32_t>(page));
    clipboard_->PutBitmap(std::move(b));
    return;
  }
  std::string desc = "WPS page " + std::to_string(page);
  clipboard_->PutMetafile(MakeEmfBits(RectL{0, 0, 20981, 29686}, std::u16string(desc.begin(), desc.end()), picture_bytes));
}

bool StandInAutomation::IsRegistered(const std::string& progId) {
  log.push_back("CLSIDFromProgID " + progId);
  return classes.count(progId) != 0;
}

automation::Obtained StandInAutomation::Create(const std::string& progId) {
  log.push_back("CoCreateInstance " + progId);
  auto it = classes.find(progId);
  if (it == classes.end()) return {hr::ClassNotRegistered, nullptr};
  return {hr::Ok, it->second()};
}

automation::Obtained StandInAutomation::GetRunning(const std::string& progId) {
  log.push_back("GetActiveObject " + progId);
  if (classes.count(progId) == 0) return {hr::InvalidClassString, nullptr};
  auto it = running.find(progId);
  if (it == running.end() || !it->second) return {automation::kNotRunning, nullptr};
  if (refuse_dispatch) return {automation::kNoInterface, nullptr};
  return {hr::Ok, it->second};
}

std::optional<std::string> StandInAutomation::ProgIdOfFile(const std::u16string& path) {
  log.push_back("GetClassFile " + std::string(path.begin(), path.end()));
  auto it = file_classes.find(path);
  if (it == file_classes.end()) return std::nullopt;
  return it->second;
}

automation::Obtained StandInAutomation::OpenFile(const std::u16string& path) {
  log.push_back("BindToObject " + std::string(path.begin(), path.end()));
  if (!open_file) return {hr::Fail, nullptr};
  DispatchPtr p = open_file(path);
  if (!p) return {hr::Fail, nullptr};
  return {hr::Ok, p};
}

}  // namespace kit::sim
