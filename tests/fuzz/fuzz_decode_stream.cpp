// Feeds arbitrary bytes to tk52cli decode's line splitter (decode_stream) as a file: lines of
// any length, "$" anywhere, CR and LF in any order, NUL bytes, no final line end. Everything
// it writes goes to /dev/null; what is checked is that reading any input is safe.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  static std::FILE* const sink = std::fopen("/dev/null", "wb");
  if (sink == nullptr)
    return 0;
  // The first byte picks the model type to start with.
  const tk52::DeviceModelType model = tk52::model_from_number(data[0] % 5);
  // An exact-size copy, so that a read past the end is caught by AddressSanitizer.
  std::vector<char> text(data + 1, data + size);
  std::FILE* in =
      text.empty() ? std::fopen("/dev/null", "rb") : fmemopen(text.data(), text.size(), "rb");
  if (in == nullptr)
    return 0;
  tk52::cli::decode_stream(in, sink, model);
  std::fclose(in);
  return 0;
}
