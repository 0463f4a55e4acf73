#include "content/frames_page.h"

namespace pgwk {

namespace {

constexpr const char* kHead =
    "<html><head><title>FAQ</title><meta http-equiv=\"content-type\" content=\"text/html; "
    "charset=iso-8859-1\"></head>\n"
    "<body bgcolor=\"#EDF3FD\" alink=\"#ff0000\" bottommargin=\"100\" leftmargin=\"5\" "
    "marginheight=\"10\" marginwidth=\"10\" link=\"#000080\" vlink=\"#800000\" rightmargin=\"10\" "
    "topmargin=\"5\">\n"
    "<font size=\"2\" face=\"tahoma,verdana,arial\">\n"
    "<table width=\"100%\" cellspacing=\"1\" cellpadding=\"4\" bgcolor=\"#214D7A\">\n"
    " <tr>\n"
    "   <td bgcolor=\"#9ECAF7\" valign=\"top\">\n"
    "   <table width=\"100%\" border=\"0\" cellspacing=\"4\" cellpadding=\"0\">\n"
    "    <tr><td nowrap align=\"center\"><font size=\"2\" color=\"#214D7A\"><b>";
constexpr const char* kCaption = "Pagewick MultiFrame switch";
constexpr const char* kAfterCaption = "</b></font></td></tr>\n\t</table>\n  </td>\n </tr>\n</table>\n\n<p>";
constexpr const char* kPrompt = "This page contains a number of frames.<br>Please select frame You want to display:";
constexpr const char* kListStart = "\n<hr>\n<ul>\n";
constexpr const char* kTail = "\n</ul>\n<hr>\n</font></body></html>";

}  // namespace

std::string framesPageText(const std::vector<FrameListItem>& frames) {
  std::string page;
  page += kHead;
  page += kCaption;
  page += kAfterCaption;
  page += kPrompt;
  page += kListStart;
  for (const FrameListItem& frame : frames) {
    page += "<li>Topic: <a href=\"";
    page += frame.name;
    page += "\">";
    page += frame.name;
    page += "</a>\n";
    if (frame.title) {
      page += "<br>Title: ";
      page += *frame.title;
    }
    page += "<br>Size: ";
    page += std::to_string(frame.length);
  }
  page += kTail;
  return page;
}

}  // namespace pgwk
