#pragma once
// Adapting a requested page to the reader before it is written: XML islands are
// neutralised, frame sources are marked so that preparation extracts them, pictures
// are removed when they are switched off, and the words of a search are highlighted
// and anchored when the page is opened from a search hit.

#include <string_view>

#include "content/page_options.h"

namespace pgwk {

class Book;
class ByteBuffer;

inline constexpr std::string_view kHighlightOpen = "<span style=\"color:#ffffff;background-color:#000080;\">";
inline constexpr std::string_view kSearchAnchor = "<a name=\"chmv_search\"></a>";
inline constexpr std::string_view kHighlightClose = "</span>";
inline constexpr std::string_view kNoXmlComment = "<!-- no xml !-->";
inline constexpr std::string_view kNoImagesComment = "<!-- no images !-->";
// Put before a frame's source so that page preparation knows to list it.
inline constexpr std::string_view kFrameSourceMark = "FRM::";

// Edits the page in place: one pass for the tags, one for the highlighting.
void decoratePage(Book& book, ByteBuffer& page, const PageOptions& options);

// Marks and anchors every match of the highlight text (lower case, folded) in the
// text between tags.
void highlightSearchText(Book& book, ByteBuffer& page, std::string_view highlightText,
                         const PageOptions& options);

}  // namespace pgwk
