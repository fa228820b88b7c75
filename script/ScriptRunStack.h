#pragma once

#include <functional>

/// Runs `body` on the calling thread, on a large stack of the interpreter's own (reserved once
/// per thread, its pages used only as deep recursion needs them), so that a script's recursion
/// is limited by its call depth limit, not by the few megabytes a thread's stack may have.
/// A run already on that stack (a nested run started by a native) runs `body` directly.
/// Under the thread sanitizer the run stack is a fiber of its own, which owns the locks it takes:
/// a lock that `body` takes must not already be held by the caller (take it inside `body`).
void scriptOnRunStack(const std::function<void()>& body);

/// The lowest address that readers of the running thread may use before they report
/// "nesting level is too much": on the run stack, near its bottom; else near the bottom of the
/// thread's stack; null when unknown.
const char* scriptStackFloor();

/// The deepest nesting of script calls (and `execute` texts) that a run allows: what the run
/// stack holds, within what the build's tools can follow (the thread sanitizer follows no more
/// than 65,536 frames of one stack).
int scriptMaxCallDepth();
