#pragma once

struct ZRFontEntry;

/// The registered font face whose name equals `name` exactly (case-sensitive); Windows face
/// names resolve through the alias table to the installed free fonts. When none matches: the
/// engine's default font entry (empty file, face index -1), or null before the registry exists.
/// The entry lives as long as the engine's font registry.
const ZRFontEntry* findFontEntry(const char* name);
