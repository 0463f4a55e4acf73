#pragma once
// The user's search options as the full-text search reads them. The shell fills
// this from its settings before each search.

namespace pgwk {

struct SearchOptions {
  bool previousResults = false;  // look only inside the previous hits
  bool wholeWords = true;        // a word must equal the query, not merely contain it
  bool inTitles = false;         // search topic titles instead of the index
};

}  // namespace pgwk
