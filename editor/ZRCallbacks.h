#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class IZRObject;
class IZRPos;
class QObject;
struct IZRCallbacks;

/// The functions the program puts into the engine's callback table. They reach the program
/// through `appState()`. The message, progress, editor-data and 5001 entries run on the GUI
/// thread; frameRendered and event 5000 come from the background renderer and only hand over to
/// the `ZRFrameRelay`; deleteObjectUserData runs on whichever thread destroys the object.

/// Fills the program's entries; scriptOutput, objectInserted, createUserData and scriptInfo stay
/// null.
void fillCallbacks(IZRCallbacks& table);

/// "kind: text" to the splash screen while one exists; dropped otherwise.
void showEngineMessage(const char* kind, const char* text);
/// Shows the frame, position and recompression in the status bar, hands the position to the
/// produce page; false once a stop was requested.
bool reportExportProgress(int frame, int total, IZRPos* position, bool recompressing);
/// Hands a stored frame's position to the relay.
void postFrameRendered(IZRPos* position);
/// Prints the engine's debug line as it is (never as a format).
void printEngineDebug(const char* text);
/// Releases an object's user data through the process-wide timeline's factory.
void deleteObjectUserData(intptr_t value);
/// Rebuilds an object's user data from its editor data text.
void parseEditorData(IZRObject* object, const char* text);
/// The editor data text of an object; valid until the next call.
const char* writeEditorData(IZRObject* object);
/// 5000 halts the background renderer's users, 5001 reports a clip that failed to load; other
/// codes do nothing.
void postEngineEvent(int code, const char* text);

/// The splash screen that engine messages go to, or null, and `show`, which shows a line on it.
/// Held weakly: once `splash` is destroyed, `show` is no longer called.
void setSplashScreen(QObject* splash, std::function<void(const QString&)> show);

/// The engine's event codes.
inline constexpr int kRendererHaltedCode = 5000;
inline constexpr int kLoadFailedCode = 5001;
