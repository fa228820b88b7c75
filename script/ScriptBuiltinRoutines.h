#pragma once

#include "script/ScriptNatives.h"

#include <locale.h>

/// The routines behind the built-in functions, each a native of the one signature
/// (ScriptNative). Every one writes its result and returns 1, also for null strings.
namespace scriptbuiltin {

// Maths (ScriptBuiltinMath.cpp): float arguments are widened to double, the runtime library
// computes, the result is rounded to float.
int absInteger(ZRScriptHost*, ScriptCall*, void* const*, int);
int absFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int cosFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int sinFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int tanFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int coshFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int sinhFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int tanhFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int acosFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int asinFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int atanFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int expFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int pi(ZRScriptHost*, ScriptCall*, void* const*, int);
int copysignFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int fmodFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int floorFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int logFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int log10Float(ZRScriptHost*, ScriptCall*, void* const*, int);
int powFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int maxFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int minFloat(ZRScriptHost*, ScriptCall*, void* const*, int);
int sqrtFloat(ZRScriptHost*, ScriptCall*, void* const*, int);

// Strings (ScriptBuiltinStrings.cpp). New strings come from scriptNewString, so that the
// interpreter releases them through its allocator.
int getenvString(ZRScriptHost*, ScriptCall*, void* const*, int);
int strlenString(ZRScriptHost*, ScriptCall*, void* const*, int);
int strlenChars(ZRScriptHost*, ScriptCall*, void* const*, int);
int strcspnStrings(ZRScriptHost*, ScriptCall*, void* const*, int);
int stricmpStrings(ZRScriptHost*, ScriptCall*, void* const*, int);
int strncmpStrings(ZRScriptHost*, ScriptCall*, void* const*, int);
int strpart1String(ZRScriptHost*, ScriptCall*, void* const*, int);
int strpart2String(ZRScriptHost*, ScriptCall*, void* const*, int);
int strspnStrings(ZRScriptHost*, ScriptCall*, void* const*, int);
int strsubstrStrings(ZRScriptHost*, ScriptCall*, void* const*, int);
int atoiString(ZRScriptHost*, ScriptCall*, void* const*, int);
int atofString(ZRScriptHost*, ScriptCall*, void* const*, int);
int strncpyString(ZRScriptHost*, ScriptCall*, void* const*, int);
int strncpyChars(ZRScriptHost*, ScriptCall*, void* const*, int);

// Formatting (ScriptSprintf.cpp).
int sprintfString(ZRScriptHost*, ScriptCall*, void* const*, int);

/// The "C" locale (null if it cannot be made), so that numbers are read and written the same
/// whatever the process's locale is.
locale_t cLocale();

} // namespace scriptbuiltin
