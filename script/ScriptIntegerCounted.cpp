#include "script/ScriptIntegerRun.h"

// Integer functions run under a step or time limit: the executor that counts steps.

template bool ZRScriptContext::callIntegerAs<true>(const ScriptVariable*,
                                                   const ScriptIntegerFunction&, const int32_t*,
                                                   int, int32_t&);
template bool ZRScriptContext::runIntegerRounds<true>(const ScriptIntegerLoop&);
