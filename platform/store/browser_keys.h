#pragma once
// The two values of the platform browser's settings that the reader writes and
// the HTML view reads: whether script errors are reported, and the character set
// of pages that declare none.

#include <cstdint>
#include <optional>
#include <string_view>

namespace pgwk {

class Store;

inline constexpr std::u16string_view kBrowserMainKey = u"Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr std::u16string_view kBrowserInternationalKey =
    u"Software\\Microsoft\\Internet Explorer\\International";
inline constexpr std::u16string_view kBrowserShowScriptErrors = u"ShowScriptErrors";
inline constexpr std::u16string_view kBrowserDefaultCodePage = u"Default_CodePage";

// Both read the current user's root; nothing when the value is missing.
std::optional<bool> readBrowserShowScriptErrors(Store& store);
std::optional<std::uint32_t> readBrowserDefaultCodePage(Store& store);

}  // namespace pgwk
