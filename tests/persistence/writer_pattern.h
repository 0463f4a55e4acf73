#pragma once
// What the writer process saves in round i, so that the test can tell a whole
// save from a torn one.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "persistence/settings.h"

namespace pgwk::test {

inline constexpr int kWriterActions = 19;

// Every number of save i differs from save i-1 and tells i.
inline Settings writerSettings(int i) {
  Settings s;
  s.ResentFilesNmb = i;
  s.DysplayTextSize = i + 1;
  s.DefaultCodePage = i + 2;
  bool odd = i % 2 != 0;
  s.ShowRecentFilesNames = s.ShowExistentFiles = s.DysplayClearType = s.DysplayShowImages = odd;
  s.EnableScript = s.BookmarkAutosave = s.BookmarkLoadLast = s.SearchHighlightWords = odd;
  s.GeneralAssociateExtension = s.GeneralShowTrayIcon = s.SearchWholeWords = s.UseButtonsMapping = odd;
  s.ShowRecentFilesNamesWithPath = s.ShowRecentBooksCaptions = s.DysplayFitToWindow = !odd;
  s.DysplayDisableCSS = s.ShowScriptErrors = s.BookmarkDeleteAutosave = s.BookmarkShowLocation = !odd;
  s.SearchScrollToWord = s.GeneralLoadLastChm = s.SearchPrevResults = s.SearchInTitles = !odd;
  s.SearchShowLocation = !odd;
  return s;
}

inline std::vector<ButtonAssignment> writerButtons(int i) {
  std::vector<ButtonAssignment> buttons;
  for (int a = 0; a < kWriterActions; ++a)
    buttons.push_back({a, static_cast<std::uint32_t>(i * 100 + a)});
  return buttons;
}

inline std::u16string writerBookPath(int i) {
  std::string path = "/books/writer-" + std::to_string(i) + ".chm";
  return std::u16string(path.begin(), path.end());
}

}  // namespace pgwk::test

namespace pgwk::test {

// The 27 values a settings save writes, by their stored names.
inline std::vector<std::pair<std::u16string, std::uint32_t>> storedOptionValues(const Settings& s) {
  auto b = [](bool v) { return v ? 1u : 0u; };
  auto n = [](int v) { return static_cast<std::uint32_t>(v); };
  return {
      {u"ResentFilesNmb", n(s.ResentFilesNmb)},
      {u"ShowRecentFilesNames", b(s.ShowRecentFilesNames)},
      {u"ShowRecentFilesNamesWithPath", b(s.ShowRecentFilesNamesWithPath)},
      {u"ShowRecentBooksCaptions", b(s.ShowRecentBooksCaptions)},
      {u"ShowExistentFiles", b(s.ShowExistentFiles)},
      {u"DysplayClearType", b(s.DysplayClearType)},
      {u"DysplayFitToWindow", b(s.DysplayFitToWindow)},
      {u"DysplayShowImages", b(s.DysplayShowImages)},
      {u"DysplayDisableCSS", b(s.DysplayDisableCSS)},
      {u"DysplayTextSize", n(s.DysplayTextSize)},
      {u"DefaultCodePage", n(s.DefaultCodePage)},
      {u"EnableScript", b(s.EnableScript)},
      {u"ShowScriptErrors", b(s.ShowScriptErrors)},
      {u"BookmarkAutosave", b(s.BookmarkAutosave)},
      {u"BookmarkDeleteAutosave", b(s.BookmarkDeleteAutosave)},
      {u"BookmarkLoadLast", b(s.BookmarkLoadLast)},
      {u"BookmarkShowLocation", b(s.BookmarkShowLocation)},
      {u"SearchHighlightWords", b(s.SearchHighlightWords)},
      {u"SearchScrollToWord", b(s.SearchScrollToWord)},
      {u"GeneralAssociateExtension", b(s.GeneralAssociateExtension)},
      {u"GeneralLoadLastChm", b(s.GeneralLoadLastChm)},
      {u"GeneralShowTrayIcon", b(s.GeneralShowTrayIcon)},
      {u"SearchPrevResults", b(s.SearchPrevResults)},
      {u"SearchWholeWords", b(s.SearchWholeWords)},
      {u"SearchInTitles", b(s.SearchInTitles)},
      {u"SearchShowLocation", b(s.SearchShowLocation)},
      {u"UseButtonsMapping", b(s.UseButtonsMapping)},
  };
}

}  // namespace pgwk::test
