#pragma once
// The whole store as text, in the style of a registry export file: UTF-8, one
// "[ROOT\key\path]" line per key, then its values as
//   @="default value"   "name"="text"   "name"=dword:0000000a   "name"=hex(N):aa,bb
// Keys and values are sorted (names compared without regard to case, the
// unnamed value first), so two exports of the same store are identical. Strings
// that would not survive the quoted form (no single terminator, control
// characters, unpaired surrogates) are written as hex(1) with their exact bytes,
// so import gives back exactly what was exported.

#include <string>
#include <string_view>

namespace pgwk {

class Store;

inline constexpr std::string_view kStoreTextHeader = "Pagewick Store Version 1";

std::string exportStoreText(Store& store);

struct StoreImportResult {
  bool ok = false;
  std::string error;  // "line N: ..." when the text is refused
};

// Replaces the whole content of the store with the text, in one transaction.
// Malformed text changes nothing.
StoreImportResult importStoreText(Store& store, std::string_view text);

}  // namespace pgwk
