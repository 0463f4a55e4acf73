#pragma once
// The keys an installation creates. The reader opens these keys and never creates
// them, so a store without them keeps the reader on its defaults.

#include <string_view>

namespace pgwk {

class Store;

// What the installer writes for a reader installed in installFolder: the current
// user's keys (options, buttons, recent files, bookmarks root, the previous-
// instance record with "HWND" 0 and an empty "WorkDirectory") and, in the class
// root, ".chm" and ".col" naming "chmfile", its open command and "HelpPath".
// Values the user already has are kept, except the association and help path,
// which follow the installation.
bool seedInstallationKeys(Store& store, std::u16string_view installFolder);

// The current user's part of the above, written only when the company key
// "Software\Velmora" is missing: a reader that was never installed for this user
// (run from a build folder, or a new user) still keeps its options.
bool createUserKeysIfMissing(Store& store);

}  // namespace pgwk
