#pragma once
// The name and the site a technician gives an installation: free text, kept as UTF-8 in the
// installations file and shown wherever the installation's ID is shown. What it may hold is
// decided here, once.

#include <cstddef>
#include <string>

// The longest name or site, in characters.
inline constexpr std::size_t InstallationTextMaxLength = 80;

// The text as it will be kept: blanks at either end removed. Raises EOrvant with a message that
// names `what` ("name" or "site") and says what is wrong when the text is not valid UTF-8, holds
// a control character (a line break, a tab, any C0 or C1 code, DEL), or is longer than
// InstallationTextMaxLength characters. An empty text is allowed (no name).
std::string CheckedInstallationText(const std::string& what, const std::string& text);
