// One libFuzzer program per target: BRIVANE_FUZZ_TARGET names its body.
#include "targets/Targets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brivane::fuzz::BRIVANE_FUZZ_TARGET(data, size);
  return 0;
}
