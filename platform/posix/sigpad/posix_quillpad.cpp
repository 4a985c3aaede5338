#include "posix_quillpad.h"

#include "cairo_dib_canvas.h"
#include "libjpeg_writer.h"
#include "ports/platform.h"
#include "posix_file_stamps.h"
#include "sigpad/quillpad_ctrl.h"

namespace kit::posix {

void RegisterQuillpad(ClassRegistry& registry, IFileLookup& lookup, IDialogs& dialogs) {
  static CairoDibCanvasFactory canvas;
  static LibjpegWriter jpeg;
  static PosixFileStamps stamps;
  sigpad::RegisterQuillpadControl(registry, [&lookup, &dialogs] {
    sigpad::QuillpadPorts ports;
    ports.files = DefaultPlatform().files;
    ports.codepage = DefaultPlatform().codepage;
    ports.lookup = &lookup;
    ports.dialogs = &dialogs;
    ports.canvas = &canvas;
    ports.jpeg = &jpeg;
    ports.stamps = &stamps;
    return ports;
  });
}

}  // namespace kit::posix
