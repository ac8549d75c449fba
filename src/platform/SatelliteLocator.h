// Finds the satellite module with the messages in the user's language. Its root
// directory and file name come from the values "path" and "dllName" of the registry key
// HKEY_CLASSES_ROOT\CLSID\{class}\SatelliteDll or, where missing, from the module's own
// path: its directory, and its file name with the extension replaced by "ui" and the
// satellite's extension ("orveldbg.dll" gives "orveldbgui.dll"). The file is looked
// for under root\<locale id>\ for each locale in turn, then under every entry of root.
//
// On Windows the satellite is a resource-only DLL with a string table. Elsewhere it is
// a UTF-8 text file ("liborveldbg.so" gives "liborveldbgui.msg"): one message a line,
// its number, a tab, its text; "\n", "\t" and "\\" in the text stand for a line break,
// a tab and a backslash; empty lines and lines starting with "#" are skipped.
#pragma once

#include <vector>

#include "platform/FileSystem.h"
#include "platform/PlatformTypes.h"

namespace orvel {

// What replaces the module file name's extension to name its satellite.
extern const WCHAR* const kSatelliteSuffix;

// The locale ids to try, in order: user, its primary-language form, system, its
// primary-language form, 1033 (English, US). Zeros are left out.
std::vector<LCID> SatelliteLocaleOrder(LCID user, LCID system);

// root<sep><id><sep>fileName for each id, then root<sep><entry><sep>fileName for each
// entry of root; the first that names an existing file. E_FAIL when none does. Paths of
// kMaxPath characters or more are not tried.
HRESULT FindSatelliteFile(const PathString& root, const PathString& fileName,
                          const std::vector<LCID>& locales, PathString* found);

// The whole search for module's satellite with the user's and the system's locales.
// E_FAIL when the module path has no directory or no extension to derive a missing
// part from, or when no file is found; the system's error when the module path is not
// known.
HRESULT LocateSatellite(HMODULE module, const GUID& classId, PathString* found);

} // namespace orvel
