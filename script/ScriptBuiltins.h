#pragma once

/// Declares the built-in functions to the interpreter, each by one `#global` line carrying its
/// registry token, as any host declares its natives. Called on the first run of the process (and
/// the first after scriptShutdown), under the interpreter lock.
void scriptDeclareBuiltins();
