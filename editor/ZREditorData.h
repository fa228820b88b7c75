#pragma once

#include <QByteArray>

#include <cstdint>
#include <string_view>

class IZRObject;
class IZRObjectFactory;
class IZRTimeline;
class ZRUserData;

/// The editor data text that carries an object's user data through a project file:
/// "<ZR_EDITOR_DATA>$@@$" kind word "$@@$" first number "$@@$" second number "$@@$".
/// Run on the thread that loads and saves projects (the GUI thread).
namespace editordata {

inline constexpr std::string_view kHeader = "<ZR_EDITOR_DATA>";
inline constexpr std::string_view kSeparator = "$@@$";

/// The text for an object's user data (UTF-8); null when the timeline or the object is null or
/// the object carries no user data. A video clip's second number is the 1-based index of its
/// transition within track 2, "0" without one.
[[nodiscard]] QByteArray write(IZRTimeline* timeline, IZRObject* object);

/// Rebuilds an object's user data from its text and hands it to the object; returns the new
/// record, or null (and nothing changes) when the timeline or object is null or the text
/// holds no valid record. A record the object carried before is released first; its effect is
/// kept and taken over by a new video record.
ZRUserData* parse(IZRTimeline* timeline, IZRObject* object, const char* text);

/// Maps the transition track when made; while it lives, video clips of that timeline take their
/// transition's place from the map and touch no engine lock. Make one around each project save
/// (the engine asks for editor data once per object: the map saves walking the track each
/// time); the tracks must not change while it lives. GUI thread; one at a time.
class SaveScope {
public:
    explicit SaveScope(IZRTimeline* timeline);
    ~SaveScope();
    SaveScope(const SaveScope&) = delete;
    SaveScope& operator=(const SaveScope&) = delete;
};

/// Releases a user value: a video record's transition length and effect are destroyed through
/// the factory (which may be null: then they are left to the timeline), then the record is
/// deleted. Zero does nothing; an unknown kind is reported and not deleted.
void release(IZRObjectFactory* factory, intptr_t value);

} // namespace editordata
