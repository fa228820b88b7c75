#pragma once

#include "classes/text/ZRDefaultTextFont.h"

#include <QString>

#include <functional>

class IZRTimeline;
class QWidget;
struct IZRCallbacks;

/// What tests and benchmarks may watch or replace in a run of the program. Every member may be
/// left empty.
struct ZRStartupHooks {
    /// Called as each stage of the start-up ends: "skins" (skins preloaded), "engine" (engine
    /// made), "window" (main window built and handed the timeline), "shown" (shown, with the
    /// command-line project opened or a new one begun).
    std::function<void(const char* stage)> stageDone;
    /// Called with the shown main window just before the event loop runs.
    std::function<void(QWidget* window)> started;
    /// The display's colour depth in bits per pixel; the primary screen's when empty.
    std::function<int()> colourDepth;
    /// Makes the engine's timeline on the callback table; `IZRCreateTimelineInstance` (no base
    /// folder, flags 0) when empty.
    std::function<IZRTimeline*(IZRCallbacks* callbacks)> createTimeline;
    /// Shows a critical message (title, text); a modal message box when empty.
    std::function<void(const QString& title, const QString& text)> critical;
};

/// The program: one copy per user (a second start says so on stderr and returns 0 at once), the
/// application object, the command-line project, skins, translators, the default font, the
/// skins check (none loaded: a message and 1), the colour-depth check (below 16 bits: a message
/// and 1), the splash, the engine (none: a message and 1), the main window, the event loop, then
/// the shut-down (lock, window, skins, application, engine).
/// Returns the process's exit status.
int clipsteadMain(int argc, char** argv);
int clipsteadMain(int argc, char** argv, const ZRStartupHooks& hooks);

/// The default font a (translated) default-font tag gives: its name, size and smoothing; a tag
/// without a usable name or a size above 0 keeps the built-in name and size.
ZRDefaultTextFont defaultFontFromTag(const QString& tag);

/// The title of the program's messages: the caption's text before its last " - " ("Clipstead 5"
/// of "Clipstead 5 - [Untitled]"), the whole caption when it has none.
QString captionTitle(const QString& caption);
