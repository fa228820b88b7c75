#include "engine/script/ZRProjectWriter.h"

#include "engine/api/ZREffect.h"
#include "engine/objects/ZRGuardedEffectList.h"
#include "engine/objects/ZRModuleEffect.h"
#include "engine/objects/ZRObject.h"
#include "engine/script/ZRProjectText.h"
#include "engine/timeline/ZRTimeline.h"
#include "engine/timeline/ZRTrackList.h"

#include <QtGlobal>

#include <ctime>
#include <mutex>
#include <string>
#include <vector>

using namespace zrproject;

namespace {

class Writer {
public:
    explicit Writer(ZRTimeline& timeline) : m_timeline(timeline) {}

    QByteArray run();

private:
    void line(std::string_view text = {}) {
        m_out.append(text.data(), qsizetype(text.size()));
        m_out.append("\r\n", 2);
    }
    void head();
    void objectBlock(ZRObject* object, int track, bool video);
    void overlayLines(ZRObject* object, const std::string& name);
    void textLines(ZRObject* object, const std::string& name);
    void effectLines(ZRObject* object, const std::string& name);

    ZRTimeline& m_timeline;
    QByteArray m_out;
    int m_objects = 0;
    int m_effects = 0;
};

std::string str(int value) {
    return std::to_string(value);
}
std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}
std::string positionText(IZRPos* position) {
    return inQuotes(position->toText());
}
bool isZero(IZRPos* position) {
    return position->hours() == 0 && position->minutes() == 0 && position->seconds() == 0 &&
           position->frames() == 0;
}
// A name in a comment line keeps to that line.
std::string commentText(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}
// Objects the host makes for its own overlays carry a function of the host: no file holds them.
bool isHostOverlay(ZRObject* object) {
    return qstricmp(object->kind().c_str(), "Import") == 0 &&
           qstricmp(object->subclass().c_str(), "External Video Object") == 0;
}

void Writer::head() {
    line("// Timeline Configuration File, written by Veltrane VideoEditing Engine v" +
         realText(4.04));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char created[64] = {};
    asctime_r(&local, created);
    std::string createdText = created;
    while (!createdText.empty() && createdText.back() == '\n')
        createdText.pop_back();
    line("// Created on " + createdText);
    line();
    line();
    line("// --- Clear the Timeline");
    line();
    line("zrClearTimeline();");
    line();
    line("// --- Timeline Settings");
    line();
    line("zrSetSetting( \"Video Dimensions\", " + str(m_timeline.videoWidth()) + ", " +
         str(m_timeline.videoHeight()) + " );");
    double rate = 30.0;
    m_timeline.getDoubleSetting("Framerate", &rate);
    line("zrSetSetting( \"Framerate\", " + realText(rate) + " );");
    int sampleRate = 44100, bits = 16, channels = 2;
    m_timeline.getIntTripleSetting("Audio Settings", &sampleRate, &bits, &channels);
    line("zrSetSetting( \"Audio Settings\", " + str(sampleRate) + ", " + str(bits) + ", " +
         str(channels) + " );");
    line();
}

void Writer::objectBlock(ZRObject* object, int track, bool video) {
    const int k = ++m_objects;
    const std::string name = "object" + str(k);
    if (video)
        line("// --- Setup Object " + str(k) + " on Track " + str(track) + " at Position " +
             object->startPos()->toText());
    else
        line("// --- Setup Object " + str(k) + " " + inQuotes(commentText(object->name())) +
             " on Track " + str(track) + " at Position " + object->startPos()->toText());
    line();
    const QByteArray options = object->options().toUtf8();
    line("integer " + name + "=zrObjectFactory( " + inQuotes(escapeLiteral(object->kind())) + ", " +
         inQuotes(escapeLiteral(object->subclass())) + ", " +
         inQuotes(escapeLiteral(object->module())) + ", " +
         inQuotes(escapeBackslashes(encodeText(options.toStdString()))) + " );");
    line("zrSetObjectName( " + name + ", " +
         inQuotes(escapeBackslashes(encodeText(object->name()))) + " );");
    if (!isZero(object->markIn()))
        line(" zrSetObjectMarkIn( " + name + ", " + positionText(object->markIn()) + " );");
    line("zrSetObjectMarkOut( " + name + ", " + positionText(object->markOut()) + " );");
    if (video) {
        int mode = 0;
        object->getIntSetting("Overlay Mode", &mode);
        if (mode != 0 || object->fontData()) overlayLines(object, name);
        if (object->fontData()) textLines(object, name);
        int direction = 0;
        if (object->getIntSetting("Transition Direction", &direction))
            line("zrSetObjectSetting( " + name + ", \"Transition Direction\", " + str(direction) +
                 " );");
        if (object->effects()) effectLines(object, name);
    }
    if (m_timeline.host().has(&IZRCallbacks::appConfigString)) {
        if (const char* text = m_timeline.host().appConfigString(object))
            line("zrObjectAppConfigString( " + name + ", " + inQuotes(escapeLiteral(text)) + " );");
    }
    line("zrInsertObject( " + name + ", " + str(track) + ", " + positionText(object->startPos()) +
         " );");
    line();
}

void Writer::overlayLines(ZRObject* object, const std::string& name) {
    auto one = [&](const char* key, bool always = true, int skip = 0) {
        int value = 0;
        object->getIntSetting(key, &value);
        if (always || value != skip)
            line("zrSetObjectSetting( " + name + ", \"" + key + "\", " + str(value) + " );");
    };
    one("Overlay Mode");
    int r = 0, g = 0, b = 0;
    object->getIntTripleSetting("Overlay Color", &r, &g, &b);
    line("zrSetObjectSetting( " + name + ", \"Overlay Color\", " + str(r) + ", " + str(g) + ", " +
         str(b) + " );");
    one("Overlay Match", false, 100);
    one("Overlay Opacity");
    one("Overlay Fade In");
    one("Overlay Fade Out");
    one("Overlay Fade Time");
    one("Overlay Smooth");
}

void Writer::textLines(ZRObject* object, const std::string& name) {
    auto one = [&](const char* key) {
        int value = 0;
        object->getIntSetting(key, &value);
        line("zrSetObjectSetting( " + name + ", \"" + key + "\", " + str(value) + " );");
    };
    for (const char* key :
         {"Text Alignment", "Text Separator Width", "Text Separator Height", "Text StartX Pos",
          "Text StartY Pos", "Text EndX Pos", "Text EndY Pos", "Text Movement"})
        one(key);
    double safe = 0.0;
    object->getDoubleSetting("Text Safe Frame Size", &safe);
    line("zrSetObjectSetting( " + name + ", \"Text Safe Frame Size\", " + scientificText(safe) +
         " );");
    int opaque = 0;
    object->getIntSetting("Text Opaque Background", &opaque);
    if (opaque != 0) {
        one("Text Opaque Background");
        int r = 0, g = 0, b = 0;
        object->getIntTripleSetting("Text Background Color", &r, &g, &b);
        line("zrSetObjectSetting( " + name + ", \"Text Background Color\", " + str(r) + ", " +
             str(g) + ", " + str(b) + " );");
    }
}

void Writer::effectLines(ZRObject* object, const std::string& name) {
    ZRGuardedEffectList* effects = object->effects();
    std::lock_guard effectsLock(*effects);
    line();
    line("// - Setup " + str(effects->count()) + " Effect(s) for Object");
    for (ZREffect* e = effects->first(); e; e = effects->next()) {
        auto* effect = static_cast<ZRModuleEffect*>(e);
        const std::string effectName = "effect" + str(++m_effects);
        line();
        line("integer " + effectName + "=zrEffectFactory( " +
             inQuotes(escapeLiteral(effect->kind())) + ", " +
             inQuotes(escapeLiteral(effect->subclass())) + ", " +
             inQuotes(escapeLiteral(effect->module())) + " );");
        line("zrAddEffect( " + name + ", " + effectName + " );");
        line("zrSetEffectMarkIn( " + effectName + ", " + positionText(effect->markIn()) + " ); ");
        // The mark-out as a position (mark-in + length), which is what setMarkOut reads.
        ZRPos markOut;
        markOut.assign(effect->markIn());
        markOut.add(effect->duration());
        line("zrSetEffectMarkOut( " + effectName + ", " + positionText(&markOut) + " );");
        line();
    }
}

// The objects on a track, in track order, copied under the track's lock. Their settings and the
// host's callbacks are read afterwards: the render mutex comes before any track lock, and the
// host is not called with a lock held. The writer runs on the thread that edits the timeline, so
// the objects stay alive meanwhile.
std::vector<ZRObject*> objectsOn(ZRTrackList& track) {
    std::vector<ZRObject*> objects;
    std::lock_guard trackLock(track);
    for (void* p = track.first(); p; p = track.next())
        objects.push_back(static_cast<ZRObject*>(static_cast<IZRObject*>(p)));
    return objects;
}

QByteArray Writer::run() {
    head();
    for (int t = 1; t <= ZRTimeline::kTrackCount; ++t) {
        auto* audio = static_cast<ZRTrackList*>(m_timeline.track(t, false));
        auto* video = static_cast<ZRTrackList*>(m_timeline.track(t, true));
        if (audio) {
            std::lock_guard audioLock(*audio);
            line("zrSetSetting( \"Mute Track\", " + str(t) + ", " + str(audio->mute ? 1 : 0) +
                 " );");
            line("zrSetSetting( \"Track Audio Level\", " + str(t) + ", " + realText(audio->level) +
                 " );");
            line();
        }
        if (video) {
            for (ZRObject* object : objectsOn(*video))
                if (!isHostOverlay(object)) objectBlock(object, t, true);
        }
        if (audio) {
            // Objects that also lie on a video track were written with that track.
            for (ZRObject* object : objectsOn(*audio))
                if (object->trackIndex(true) < 0 && !isHostOverlay(object))
                    objectBlock(object, t, false);
        }
    }
    line("// Projectfile contains " + str(m_objects) + " timeline objects and " + str(m_effects) +
         " effects");
    return m_out;
}

} // namespace

QByteArray writeProject(ZRTimeline& timeline) {
    return Writer(timeline).run();
}
