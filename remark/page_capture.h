// Page pictures of a Word or WPS document, taken through the document's own
// automation server and the clipboard.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ports/automation_client.h"
#include "ports/clipboard.h"
#include "ports/codepage.h"
#include "ports/cursor.h"
#include "ports/emf.h"
#include "ports/screen.h"

namespace kit::remark {

struct CapturePorts {
  automation::IAutomationClient* automation = nullptr;
  IClipboard* clipboard = nullptr;
  ICursor* cursor = nullptr;  // may be null: no cursor to change
  IMetafileFactory* metafiles = nullptr;
  IScreenMetrics* screen = nullptr;
  ICodePage* codepage = nullptr;
};

// The automation client, clipboard and cursor of the platform the build runs
// on; the other members are left null for the caller to fill. Defined by the
// capture adapters the program links (kit_capture_platform), not the core.
CapturePorts DefaultCapturePorts();

// The server a document's class belongs to, by the start of its ProgID.
enum class DocumentServer { None, Word, Wps };
DocumentServer ServerOfProgId(const std::string& progId);

// DISPIDs of the members the capture calls.
namespace capture_dispid {
constexpr automation::DispId kRangeStart = 3;
constexpr automation::DispId kRangeEnd = 4;
constexpr automation::DispId kDocContent = 41;
constexpr automation::DispId kDocActivate = 113;
constexpr automation::DispId kDocGoTo = 115;
constexpr automation::DispId kRangeCopyAsPicture = 167;
constexpr automation::DispId kRangeInformation = 313;
constexpr automation::DispId kDocClose = 1105;
constexpr automation::DispId kDocRange = 2000;
constexpr automation::DispId kWpsCopyPage = 4097;
constexpr automation::DispId kWpsOwner = 1;
constexpr automation::DispId kWpsClose = 1105;
}  // namespace capture_dispid

// Room for the path in UTF-16 characters; a longer path is refused whole.
constexpr std::size_t kMaxCapturePath = 256;
// A WPS server that never reports the end of its pages stops here.
constexpr int kMaxWpsPages = 4096;

// One picture per page (null for a page without one). Empty when the file
// cannot be opened by a registered server or that server is neither Word nor
// WPS. A Word error comes out as AutomationError; what was taken is freed.
std::vector<EnhMetaFilePtr> CaptureFromFile(const CapturePorts& ports, const std::string& path);
// The object is taken to be a Word document.
std::vector<EnhMetaFilePtr> CaptureFromObject(const CapturePorts& ports, const automation::DispatchPtr& document);
// The picture on the clipboard as a metafile of the caller's; null when the
// clipboard cannot be opened or holds neither a metafile nor a bitmap.
EnhMetaFilePtr ClipboardPicture(const CapturePorts& ports);

// UTF-8 to UTF-16; nullopt for malformed input.
std::optional<std::u16string> Utf8ToUtf16(const std::string& utf8);

}  // namespace kit::remark
