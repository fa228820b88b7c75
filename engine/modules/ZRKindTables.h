#pragma once

#include <cstdint>

/// The built-in module file that serves an "Import" or "Export" kind, relative to the engine's
/// data folder ("exports/expwmf.so" for ("Export", "ASF")); null when the pair has none. Names
/// are compared without regard to case.
const char* zrBuiltinModuleFile(const char* category, const char* kind);

/// The registered import module that serves an import kind the engine suggests when no module
/// is registered under the kind itself: the media import module (ZR_MEDIA_IMPORT_NAME) for
/// "DirectShow", "DV-AVI", "DV-AVI Multifile", "MPEG", "MPEG Multifile", "DIF" and "Misc";
/// null for any other kind.
const char* zrImportAlias(const char* kind);

/// The import kind to suggest for a file identified as `kind` with `subtype` ("Misc" when the
/// kind is null or unknown).
const char* zrSuggestedImportKind(const char* kind, uint32_t subtype);
