// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// Page pictures of real documents on POSIX: the office suite, run headless,
// prints the document to PDF, and each PDF page becomes a metafile holding
// its picture. Offered behind the automation client as a document server, so
// page capture takes the same way through it as through Word or WPS.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/capture/inprocess_automation.h"
#include "sim/capture/inprocess_clipboard.h"

namespace kit::sim {

// The office suite's program: $KIT_SOFFICE, else "soffice" on the PATH;
// empty when there is none.
std::string OfficeProgram();

// One metafile per page, each a blit of the page rendered at `dpi` with its
// frame at the page's real size. nullopt when there is no office suite, the
// conversion fails or the result is not a readable PDF.
std::optional<std::vector<std::vector<std::uint8_t>>> RenderDocumentPages(const std::string& path, int dpi = 96);

// Registers ".doc" (as "Word.Document.8") and ".wps" (as "WPS.Document.6")
// files with `automation`, opened by rendering them; pages go to `clipboard`
// as the servers would put them there. False when there is no office suite.
bool RegisterOfficeRenderer(InProcessAutomation& automation, InProcessClipboard& clipboard);

}  // namespace kit::sim
