// The desktop services of both programs: the file-type association of the
// record files, the help pages, e-mail, web addresses and documents,
// printing, text files and dialling. Thin and stateless but for the
// dialler's memory of a missing telephony handler.
#pragma once

#include <QUrl>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace velmora {

// Associates "*.<extension>" with the running program for this user:
// a shared-mime-info package "<XDG_DATA_HOME>/mime/packages/velmora-<ext>.xml"
// (type MimeTypeName, comment "Velmora File"), then a desktop entry
// "<XDG_DATA_HOME>/applications/org.velmora.<Program>.desktop" whose Exec
// line opens the program with the file; then the desktop's caches are
// refreshed when one of them changed. Nothing when an installation in a
// system data folder (XDG_DATA_DIRS) already has the program's entry and the
// suite's types. Failures are ignored.
void RegisterFileType(std::string_view extension);
// The files RegisterFileType writes.
std::string MimePackagePath(std::string_view extension);
std::string DesktopEntryPath();
// "application/x-velmora-addressbook" for "adr", "application/x-velmora-calendar"
// for "cld", "application/x-velmora-<ext>" otherwise.
std::string MimeTypeName(std::string_view extension);

// Where the help page name is looked up: "help" in the program folder, beside
// the executable, in <exe>/../share/velmora, then in the build's and the
// installation's share folders. The first candidate that exists, else
// nothing.
std::optional<std::string> FindHelpFile(std::string_view name);
// Opens the help page in the desktop's browser. When the desktop cannot show
// it (no program for web pages, or the opening fails) the page is shown in a
// help window of the program's own (a text browser, object name
// "HelpWindow", one at a time). A missing page shows "Help file
// '<path>'\r\ndoes not exist." with the path it was looked for at. Non-zero
// when the page is shown.
int OpenHelp(std::string_view name, bool shell = true);
// Whether the desktop has a program for web pages: "$BROWSER", an
// "x-www-browser", or a default for "text/html" that "xdg-mime" names.
// Without "xdg-mime" to ask, true (the opener's own answer decides). Asked
// by OpenHelp unless a URL opener is set (a test's opener is the desktop).
bool DesktopShowsWebPages();

// "mailto:<address>" (just "mailto:" without one).
bool ComposeEmail(std::string_view address);
// A path or an address (a text without a scheme that names no file is taken
// as a web address).
bool OpenDocument(std::string_view pathOrAddress);

// Prints a text file (the default report when path is empty): handed to
// CUPS "lp" when it is on the PATH, else printed on the default printer.
// Nothing happens for a missing file. True when printing was started.
bool PrintFile(std::string_view path = {});
// Loads a text file (the default report when path is empty) into window. 1 on
// success, 0 when it cannot be read.
int ShowTextFile(QPlainTextEdit* window, std::string_view path = {});

// Result codes of dialling.
inline constexpr long kDialNoTelephony = static_cast<long>(0x80000049L);
inline constexpr long kDialUnavailable = -16;
inline constexpr long kDialNoRecipient = -2;       // the desktop did not open the number
inline constexpr long kDialInvalidNumber = -4;     // nothing to dial
// Opens "tel:<number>" with the desktop's telephony handler. The first call
// checks that one is registered ("xdg-mime query default
// x-scheme-handler/tel"); without one it returns kDialNoTelephony, and every
// later call kDialUnavailable without checking again. 0 on success.
long DialNumber(std::string_view number, std::string_view applicationName = {}, std::string_view calledParty = {},
                std::string_view comment = {});

bool AddressHasAtSign(std::string_view address);

// Test seams: how URLs are opened (QDesktopServices::openUrl by default; an
// empty function restores it), and forgetting the dialler's first check.
using UrlOpener = std::function<bool(const QUrl& url)>;
UrlOpener SetUrlOpener(UrlOpener opener);
void ResetDialerForTesting();

}  // namespace velmora
