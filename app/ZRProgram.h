#pragma once

/// The program: makes the engine with the callback table, shows the main window, runs the event
/// loop and shuts down in order (window, relay, engine). Returns the exit code.
int runClipstead(int argc, char** argv);
