#pragma once

#include <string>

namespace zrscript {

/// Asks the installed file requester (`ZRSetFileRequester`) for a file to open: the chosen path,
/// or empty text when none is installed, the user cancelled or the path did not fit. Any thread.
std::string requestFile();

} // namespace zrscript
