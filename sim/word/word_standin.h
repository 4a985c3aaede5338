// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// A recording stand-in for the Word and WPS automation servers: a small object
// model behind the automation port that writes down every call it is given.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/automation_client.h"
#include "ports/clipboard.h"

namespace kit::sim {

// Where the stand-in puts the pictures it is asked to copy.
class IPictureSink {
 public:
  virtual ~IPictureSink() = default;
  virtual void PutMetafile(std::vector<std::uint8_t> bits) = 0;
  virtual void PutBitmap(ClipboardBitmap bitmap) = 0;
};

// The clipboard in memory; counts opens so tests can see it closed again.
class MemoryClipboard : public IClipboard, public IPictureSink {
 public:
  bool fail_open = false;
  int opens = 0, closes = 0, empties = 0;
  std::optional<std::vector<std::uint8_t>> metafile;
  std::optional<ClipboardBitmap> bitmap;

  bool Open() override {
    if (fail_open || open_) return false;
    open_ = true;
    ++opens;
    return true;
  }
  void Close() override {
    open_ = false;
    ++closes;
  }
  bool Empty() override {
    metafile.reset();
    bitmap.reset();
    ++empties;
    return open_;
  }
  bool HasFormat(unsigned f) override {
    return (f == kCfEnhMetaFile && metafile) || (f == kCfBitmap && bitmap);
  }
  EnhMetaFilePtr GetEnhMetaFile(IMetafileFactory& factory) override {
    return metafile ? factory.FromBits(metafile->data(), metafile->size()) : nullptr;
  }
  std::optional<ClipboardBitmap> GetBitmap() override { return bitmap; }
  void PutMetafile(std::vector<std::uint8_t> bits) override { metafile = std::move(bits); }
  void PutBitmap(ClipboardBitmap b) override { bitmap = std::move(b); }
  bool is_open() const { return open_; }

 private:
  bool open_ = false;
};

struct StandInCall {
  std::string object;  // Application, Documents, Document, Range, CommandBars, ...
  automation::DispId dispid;
  automation::InvokeKind kind;
  std::vector<automation::Variant> args;
};

// "Document 115 call I2:1 I2:-1 I2:1 missing"
std::string Describe(const StandInCall& call);
std::string DescribeArg(const automation::Variant& v);

struct StandInCommand {
  std::string caption;
  bool enabled = true;
};
struct StandInBar {
  std::string name;
  bool enabled = true;
  std::vector<StandInCommand> controls;
};

class WordStandIn {
 public:
  explicit WordStandIn(IPictureSink* clipboard = nullptr) : clipboard_(clipboard) {}

  // The application object, one per stand-in (what "Word.Application" gives).
  automation::DispatchPtr Application();
  // Opens a file as Word would: pages are the file's text split at form
  // feeds; a file it cannot read as text is one empty page. Records nothing.
  automation::DispatchPtr OpenDocument(const std::string& path);
  // What Documents.Add gives: an empty document without a file.
  automation::DispatchPtr AddDocument();
  // A WPS document object of `pages` pages.
  automation::DispatchPtr WpsDocument(int pages);
  // A WPS document of as many pages as the file has form-feed separated parts.
  automation::DispatchPtr OpenWpsDocument(const std::string& path);

  // The n-th call (1-based, counted from now) to that member of that object kind fails.
  void FailOn(const std::string& object, automation::DispId id, int nth = 1, HResult code = hr::Exception);
  // WPS pages come as bitmaps instead of metafiles.
  bool wps_pictures_as_bitmaps = false;
  // Records each page picture carries besides its header, as the text and
  // drawing records of a real page do.
  std::size_t picture_bytes = 0;
  // Word copies nothing to the clipboard (a failed copy).
  bool copy_nothing = false;

  // Where the files the stand-in is given live: Windows paths mapped to
  // native ones (a mapping that throws is a path that cannot be opened).
  std::function<std::string(const std::string&)> map_path;
  std::string NativePath(const std::string& path) const;
  // Setting the text of a bookmark's range removes the bookmark, as Word does.
  bool text_removes_bookmark = true;

  std::vector<StandInCall> calls;
  std::vector<std::string> Log() const;  // Describe() of every call

  // Application state the tests look at and set up.
  std::string user_name = "Word User";  // in the system code page
  bool visible = false;
  bool status_bar = true;
  bool quit = false;
  std::vector<StandInBar> bars;

  struct Document {
    const WordStandIn* owner = nullptr;
    std::string path;
    std::vector<std::string> pages;
    bool track_revisions = false, print_revisions = false, show_revisions = false;
    bool closed = false;
    std::vector<std::pair<std::string, std::string>> bookmarks;  // name, text
    std::string saved_as;
    int saves = 0;
    std::int32_t protection = -1;  // the Type given to Protect; -1: none
    std::string Text() const;
    void SetText(const std::string& text);  // pages split again at form feeds
    void Write(const std::string& path) const;
    // SaveAs with the Web page format: a page and, when the text holds
    // "[picture]" marks, a picture folder named after it with one image per mark.
    void WriteWebPage(const std::string& path) const;
  };
  std::vector<std::shared_ptr<Document>> documents;
  // Bookmarks of the files, by native path: what a document opened from
  // that file starts with, and what saving it leaves there.
  mutable std::map<std::string, std::vector<std::pair<std::string, std::string>>> bookmarks_of;
  int wps_closes = 0;
  std::string copied_text;  // what Range.Copy took, for Range.Paste

  // What the object of that kind was told, before it answers; throws the
  // failure the test asked for.
  void Record(const std::string& object, automation::DispId id, automation::InvokeKind kind,
              const std::vector<automation::Variant>& args);
  void PutPagePicture(const Document& doc, int page);
  void PutWpsPicture(int page);

 private:
  struct Failure {
    std::string object;
    automation::DispId id;
    int nth;
    HResult code;
    int before;  // calls already made when the failure was set
  };
  IPictureSink* clipboard_;
  std::vector<Failure> failures_;
  std::map<std::string, int> counts_;
  automation::DispatchPtr app_;
};

// The automation client over stand-ins: classes by ProgID, a running object
// table and files with the ProgID of their class.
class StandInAutomation : public automation::IAutomationClient {
 public:
  std::map<std::string, std::function<automation::DispatchPtr()>> classes;
  std::map<std::string, automation::DispatchPtr> running;
  std::map<std::u16string, std::string> file_classes;
  std::function<automation::DispatchPtr(const std::u16string&)> open_file;
  bool refuse_dispatch = false;
  std::vector<std::string> log;

  bool IsRegistered(const std::string& progId) override;
  automation::Obtained Create(const std::string& progId) override;
  automation::Obtained GetRunning(const std::string& progId) override;
  std::optional<std::string> ProgIdOfFile(const std::u16string& path) override;
  automation::Obtained OpenFile(const std::u16string& path) override;
};

}  // namespace kit::sim
