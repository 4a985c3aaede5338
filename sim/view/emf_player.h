// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// Plays the records of an enhanced metafile with cairo, into a rectangle of
// device pixels, the way PlayEnhMetaFile maps the picture frame onto it.
// Every size and offset read from the bits is checked against the record it
// is in; a record that does not fit is skipped, one that breaks the chain of
// records ends the play.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ports/emf.h"

typedef struct _cairo cairo_t;

namespace kit::view {

struct EmfPlayResult {
  bool header = false;      // the bits start with a valid header record
  int played = 0;           // records drawn or applied to the state
  int skipped = 0;          // records not understood or not fitting
  bool truncated = false;   // the record chain ended before EMR_EOF
};

// Draws into `dest` (device pixels of `cr`, clipped to it); the context's
// state is as it was afterwards.
EmfPlayResult PlayEnhMetaFile(cairo_t* cr, const std::uint8_t* bits, std::size_t size, const RectL& dest);

}  // namespace kit::view
