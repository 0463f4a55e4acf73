#pragma once
// A bookmark: a named place in a book, with the view it was seen in. A book's
// recent-files entry owns its bookmarks, oldest first.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "persistence/view_state.h"

namespace pgwk {

class ChmArchive;

// A calendar date and time as the platform clock gives it; a zero year means none.
struct DateTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;  // 0 = Sunday
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t millisecond = 0;

  bool operator==(const DateTime&) const = default;
};

// The local time now.
DateTime currentDateTime();

struct Bookmark {
  // Longest text kept: the name the user typed is cut to this many characters.
  static constexpr std::size_t kMaxText = 249;

  std::u16string text;
  DateTime created;
  ViewState view;
  // The CHM file of the open book that holds the page; not owned, may be none.
  const ChmArchive* file = nullptr;
};

}  // namespace pgwk
