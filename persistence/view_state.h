#pragma once
// Where a page was read and how it was shown: kept in the history and in
// bookmarks. The display fields are those of the display group of Settings that
// travel with a page.

namespace pgwk {

struct ViewState {
  int pageIndex = 0;           // position of the page's entry in its CHM file's directory
  int verticalPosition = -1;   // -1: the page does not scroll that way
  int horizontalPosition = -1;
  bool DysplayClearType = false;
  bool DysplayFitToWindow = false;
  bool DysplayShowImages = false;
  bool DysplayDisableCSS = false;
  int DysplayTextSize = 0;
  bool EnableScript = false;

  bool operator==(const ViewState&) const = default;
};

}  // namespace pgwk
