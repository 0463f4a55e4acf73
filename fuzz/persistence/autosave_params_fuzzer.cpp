// "AutoSaveParams" read from the store: any text gives settings, and what is
// written from them reads back the same.

#include <cstdlib>

#include "fuzz/persistence/fuzz_text.h"
#include "persistence/bookmark_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pgwk;
  const Settings applied;
  AutoSaveParams params = parseAutoSaveParams(fuzz::wideText(data, size), applied);
  std::uint32_t stamp = params.fileSize.value_or(0);
  AutoSaveParams again = parseAutoSaveParams(formatAutoSaveParams(params.settings, stamp), applied);
  if (!(again.settings == params.settings) || again.fileSize != stamp) std::abort();
  return 0;
}
