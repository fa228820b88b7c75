#pragma once

#include "engine/api/zrexport.h"

#include <cstddef>

extern "C" {
/// Asks the user for a file to open. Writes the chosen path, in the locale's 8-bit encoding and
/// NUL-terminated, into `buffer` of `size` bytes and answers true; answers false when the user
/// cancelled or the path does not fit (nothing usable is then in `buffer`). Called on the thread
/// of the script run.
typedef bool (*ZRFileRequesterFunction)(char* buffer, size_t size);

/// Installs the function that answers a script's `zrFileRequester`; null removes it. The engine
/// links no widgets: without a requester, every request is answered as cancelled (empty text).
/// Install it before scripts run and remove it before what it uses goes away.
ZR_EXPORT void ZRSetFileRequester(ZRFileRequesterFunction requester);
}
