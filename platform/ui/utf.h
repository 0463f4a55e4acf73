#pragma once
// UTF-8 <-> UTF-16 for the texts that travel between the model (wide text, as the
// shell keeps it) and the browser (JSON, UTF-8). Malformed input becomes U+FFFD.

#include <string>
#include <string_view>

namespace pgwk::ui {

std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

}  // namespace pgwk::ui
