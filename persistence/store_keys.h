#pragma once
// Where the reader keeps what it remembers: the keys of the current user's root
// and of the class root. Names are the reader's own, byte for byte.

#include <string_view>

namespace pgwk {

inline constexpr std::u16string_view kCompanyKey = u"Software\\Velmora";
inline constexpr std::u16string_view kProductKey = u"Software\\Velmora\\Pagewick for Pocket PC";
inline constexpr std::u16string_view kOptionsKey = u"Software\\Velmora\\Pagewick for Pocket PC\\Save Options";
inline constexpr std::u16string_view kButtonsKey =
    u"Software\\Velmora\\Pagewick for Pocket PC\\Save Options\\Buttons";
inline constexpr std::u16string_view kRecentFilesKey = u"Software\\Velmora\\Pagewick for Pocket PC\\Files List";
inline constexpr std::u16string_view kBookmarksRootKey = u"Software\\Velmora\\Pagewick for Pocket PC\\Bookmarks";
inline constexpr std::u16string_view kPrevInstanceKey = u"Software\\Velmora\\Pagewick for Pocket PC\\Prev";

// Values of the previous-instance key.
inline constexpr std::u16string_view kPrevHandleValue = u"HWND";
inline constexpr std::u16string_view kPrevFolderValue = u"WorkDirectory";

// Class root.
inline constexpr std::u16string_view kChmExtensionKey = u".chm";
inline constexpr std::u16string_view kColExtensionKey = u".col";
inline constexpr std::u16string_view kAssociationClass = u"chmfile";
inline constexpr std::u16string_view kOpenCommandKey = u"chmfile\\Shell\\Open\\Command";
inline constexpr std::u16string_view kHelpPathValue = u"HelpPath";

// The end of the installed open command: the program's file name, a closing
// quote and the argument. The reader is "pgwk" in a folder on Linux.
inline constexpr std::u16string_view kOpenCommandTail = u"/pgwk\" file:%1";
inline constexpr std::u16string_view kProgramFileName = u"pgwk";
inline constexpr std::u16string_view kHelpFileName = u"pagewick.chm";

}  // namespace pgwk
