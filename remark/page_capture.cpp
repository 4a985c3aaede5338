#include "remark/page_capture.h"

#include "ports/text.h"

namespace kit::remark {

using automation::AutomationError;
using automation::CDispatchDriver;
using automation::Variant;
namespace d = capture_dispid;

namespace {

const std::u16string kBitmapDescription = u"WPSFile";


// Whatever was on the clipboard must not stand in for a page that failed to copy.
void EmptyClipboard(IClipboard& cb) {
  ClipboardSession session(cb);
  if (session.is_open()) cb.Empty();
}

std::vector<EnhMetaFilePtr> CaptureWord(const CapturePorts& ports, const CDispatchDriver& doc) {
  std::vector<EnhMetaFilePtr> pages;
  doc.Call(d::kDocActivate);
  CDispatchDriver content = doc.GetObject(d::kDocContent);
  const std::int32_t contentStart = content.GetLong(d::kRangeStart);
  const std::int32_t contentEnd = content.GetLong(d::kRangeEnd);

  const Variant page = Variant::I2(1);
  CDispatchDriver last = doc.CallObject(d::kDocGoTo, {page, Variant::I2(-1), Variant::I2(1), Variant::Missing()});
  const std::int32_t count = last.GetLong(d::kRangeInformation, {Variant::I4(3)});
  last.ReleaseDispatch();

  std::int32_t start = contentStart;
  for (std::int32_t i = 0; i < count; ++i) {
    std::int32_t end = contentEnd;
    if (i != count - 1) {
      const auto which = static_cast<std::int16_t>(i + 2);
      CDispatchDriver next = doc.CallObject(d::kDocGoTo, {page, Variant::I2(1), Variant::I2(which), Variant::Missing()});
      end = next.GetLong(d::kRangeStart);
    }
    CDispatchDriver range = doc.CallObject(d::kDocRange, {Variant::I4(start), Variant::I4(end)});
    EmptyClipboard(*ports.clipboard);
    range.Call(d::kRangeCopyAsPicture);
    pages.push_back(ClipboardPicture(ports));
    start = end;
  }
  doc.Call(d::kDocClose, {Variant::Missing(), Variant::Missing(), Variant::Missing()});
  return pages;
}

std::vector<EnhMetaFilePtr> CaptureWps(const CapturePorts& ports, const CDispatchDriver& doc) {
  std::vector<EnhMetaFilePtr> pages;
  for (int number = 1; number <= kMaxWpsPages; ++number) {
    EmptyClipboard(*ports.clipboard);
    try {
      doc.Call(d::kWpsCopyPage, {Variant::I4(number), Variant::I4(793), Variant::I4(1122)});
    } catch (const AutomationError&) {
      // The server's way of saying there is no such page.
      break;
    }
    pages.push_back(ClipboardPicture(ports));
  }
  doc.GetObject(d::kWpsOwner).Call(d::kWpsClose);
  return pages;
}

}  // namespace

DocumentServer ServerOfProgId(const std::string& progId) {
  if (StartsWith(progId, "Word.Document")) return DocumentServer::Word;
  if (StartsWith(progId, "WPS.Document") || StartsWith(progId, "WPSFile")) return DocumentServer::Wps;
  return DocumentServer::None;
}

std::optional<std::u16string> Utf8ToUtf16(const std::string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      n = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      n = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      n = 4;
    } else {
      return std::nullopt;
    }
    if (i + n > s.size()) return std::nullopt;
    for (std::size_t k = 1; k < n; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (cc & 0x3F);
    }
    static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return out;
}

std::vector<EnhMetaFilePtr> CaptureFromFile(const CapturePorts& ports, const std::string& path) {
  WaitCursor wait(ports.cursor);
  const std::optional<std::u16string> wide = Utf8ToUtf16(ports.codepage->ToUtf8(path));
  // A path cut to the buffer would name another file.
  if (!wide || wide->empty() || wide->size() > kMaxCapturePath) return {};
  if (wide->find(u'\0') != std::u16string::npos) return {};
  const std::optional<std::string> progId = ports.automation->ProgIdOfFile(*wide);
  if (!progId) return {};
  const DocumentServer server = ServerOfProgId(*progId);
  if (server == DocumentServer::None) return {};
  automation::Obtained opened = ports.automation->OpenFile(*wide);
  if (opened.hr < 0 || !opened.object) return {};
  CDispatchDriver doc(std::move(opened.object));
  return server == DocumentServer::Word ? CaptureWord(ports, doc) : CaptureWps(ports, doc);
}

std::vector<EnhMetaFilePtr> CaptureFromObject(const CapturePorts& ports, const automation::DispatchPtr& document) {
  WaitCursor wait(ports.cursor);
  if (!document) throw AutomationError(hr::InvalidArg, "No document object");
  return CaptureWord(ports, CDispatchDriver(document));
}

EnhMetaFilePtr ClipboardPicture(const CapturePorts& ports) {
  ClipboardSession session(*ports.clipboard);
  if (!session.is_open()) return nullptr;
  IClipboard& cb = *ports.clipboard;
  if (cb.HasFormat(kCfEnhMetaFile)) return cb.GetEnhMetaFile(*ports.metafiles);
  if (!cb.HasFormat(kCfBitmap)) return nullptr;
  std::optional<ClipboardBitmap> bmp = cb.GetBitmap();
  if (!bmp) return nullptr;
  // The frame a metafile recorded against the screen gets for that many pixels.
  const std::int64_t px = ports.screen->LogPixelsX() > 0 ? ports.screen->LogPixelsX() : 96;
  const std::int64_t py = ports.screen->LogPixelsY() > 0 ? ports.screen->LogPixelsY() : 96;
  const RectL frame{0, 0, static_cast<std::int32_t>(static_cast<std::int64_t>(bmp->width) * 2540 / px),
                    static_cast<std::int32_t>(static_cast<std::int64_t>(bmp->height) * 2540 / py)};
  std::vector<std::uint8_t> bits = MakeBitBltEmfBits(bmp->width, bmp->height, bmp->pixels, frame, kBitmapDescription);
  if (bits.empty()) return nullptr;
  return ports.metafiles->FromBits(bits.data(), bits.size());
}

}  // namespace kit::remark
