#pragma once

/// Declares the built-in functions to the interpreter, each by one `#global` line carrying its
/// registry token, as any host declares its natives. Called once per process, on the first run,
/// under the interpreter lock.
void scriptDeclareBuiltins();
