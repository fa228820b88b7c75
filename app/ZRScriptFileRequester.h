#pragma once

#include <cstddef>

/// The program's answer to a script's request for a file (installed into the engine with
/// `ZRSetFileRequester` by the start-up): the toolkit's modal open-file dialog, with no start
/// folder, filter, parent or caption. Writes the chosen path in the locale's encoding into
/// `buffer` and answers true; false when the user cancelled, the path does not fit `size` bytes
/// with its terminator, or the call does not come from the GUI thread (dialogs live there only;
/// the program runs its scripts there).
bool requestScriptFile(char* buffer, size_t size);
