#pragma once

#include <cstddef>
#include <string>

// What the PIN dialog shows comes partly from the page (container names) and partly from the
// face (the asking site). Both sides of the exchange clean it, the plug-in before it writes the
// request and Gui.bin on reading it, since Gui.bin may be started by another program.

// The longest page-supplied text the dialog shows, in characters, its ellipsis included.
constexpr std::size_t kShownTextLimit = 64;
// The longest site (bytes) Gui.bin shows; a site is never cut, so a longer one is refused.
constexpr std::size_t kSiteLimit = 300;

// A page-supplied text (UTF-8) as one harmless line: line breaks, tabs and Unicode spaces
// become one blank per run; control, bidirectional-format and zero-width characters go;
// invalid UTF-8 becomes U+FFFD; blanks at either end go; past kShownTextLimit characters it
// is cut and ends with "\u2026".
std::string cleanShownText(const std::string& text);

// The site as the dialog shows it: the same characters removed as by cleanShownText, never
// cut.
std::string cleanSite(const std::string& site);
