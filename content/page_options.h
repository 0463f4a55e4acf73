#pragma once
// What page preparation and page decorations read of the user's options and of the
// search pane. The shell fills it from its settings before each preparation.

#include <string>

namespace pgwk {

struct PageOptions {
  bool showImages = true;            // pictures are extracted and their tags kept
  bool disableCss = false;           // style sheets are left out
  bool enableScript = true;          // scripts are extracted
  bool showMergedFileErrors = true;  // a merged CHM file that cannot be opened is reported

  // Set by the search pane only while a hit is being opened.
  bool highlightWhilePreparing = false;
  // The query, trimmed, lower-cased and folded; matched as one phrase.
  std::string highlightText;
  bool highlightWords = true;  // mark every match
  bool scrollToWord = true;    // put an anchor before every match
  bool wholeWords = true;      // a match must stand between word separators
};

}  // namespace pgwk
