// The POSIX registry store's file: any bytes either decode to an image that
// encodes back to exactly those bytes, or are refused as a whole.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "sim/registry/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kit::sim::RegistryImage image;
  if (!kit::sim::DecodeRegistryImage(bytes, size, &image)) return 0;
  std::vector<std::uint8_t> again = kit::sim::EncodeRegistryImage(image);
  FUZZ_CHECK(again == std::vector<std::uint8_t>(bytes, bytes + size));
  return 0;
}
