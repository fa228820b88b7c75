// The timeline's factory: everything it makes is registered here, and destroyed by its destroy
// operation or with the timeline.
#include "engine/timeline/ZRTimeline.h"

#include "engine/api/ZREffectList.h"
#include "engine/api/ZRFontData.h"
#include "engine/modules/ZRModuleAccess.h"
#include "engine/modules/ZRModuleManager.h"
#include "engine/modules/ZRTransitionModule.h"
#include "engine/modules/ZRVideoEffectModule.h"
#include "engine/objects/ZRModuleEffect.h"
#include "engine/objects/ZRObject.h"
#include "engine/process/ZREngine.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <mutex>
#include <new>
#include <optional>

ZRGuardedList* ZRTimeline::createList() {
    return m_registries.lists.add(std::unique_ptr<ZRGuardedList>(new (std::nothrow) ZRTrackList));
}

void ZRTimeline::destroyList(ZRGuardedList* list) {
    if (list) m_registries.lists.take(list);
}

namespace {

bool is(const char* text, const char* name) {
    return text && qstricmp(text, name) == 0;
}
const char* orEmpty(const char* text) {
    return text ? text : "";
}

// "RGB( r , g , b )" without regard to case; each component clamped to 0..255, a missing one 0.
uint32_t parseColourText(const char* text) {
    static const QRegularExpression pattern(
        QStringLiteral("RGB\\s*\\(\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*\\)\\s*"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(orEmpty(text)));
    uint32_t colour = 0xFF000000u;
    for (int i = 0; i < 3; ++i) {
        const int value = match.hasMatch() ? std::clamp(match.captured(i + 1).toInt(), 0, 255) : 0;
        colour += uint32_t(value) << (16 - 8 * i);
    }
    return colour;
}

} // namespace

// A relative media file name means a file in the base folder; the process's current folder is
// never changed to find it.
QByteArray ZRTimeline::mediaPath(const char* fileName) const {
    const QString name = QString::fromUtf8(orEmpty(fileName));
    if (name.isEmpty() || QDir::isAbsolutePath(name) || m_baseFolder.empty()) return name.toUtf8();
    return QDir::cleanPath(QString::fromUtf8(m_baseFolder.c_str()) + name).toUtf8();
}

bool ZRTimeline::buildObject(ZRObject* object, const char* kind, const char* subclass,
                             const char* module, const char* options) {
    const double rate = m_frameRate;
    auto length = [rate](int frames) { return ZRPos(0, 0, 0, frames, rate); };
    const ZRPos farEnd(9, 59, 59, 0, rate);

    if (is(kind, "Solid Color")) {
        object->setSolidColor(parseColourText(subclass));
        object->setHasVideo(true);
        object->setName(orEmpty(subclass));
        object->sourceLength()->assign(&farEnd);
        const ZRPos fiveMinutes(0, 5, 0, 30, rate);
        object->duration()->assign(&fiveMinutes);
        return true;
    }
    if (is(kind, "Import") && is(subclass, "External Video Object")) {
        // The host hands its frame function through the options argument.
        object->setFrameSource(
            reinterpret_cast<ZRObject::FrameSource>(reinterpret_cast<uintptr_t>(options)));
        object->setHasVideo(true);
        object->setName("External Video Object");
        object->sourceLength()->assign(&farEnd);
        const ZRPos second = length(30);
        object->duration()->assign(&second);
        return true;
    }
    if (is(kind, "Import")) {
        const std::optional<QString> path =
            ZRModuleManager::modulePath("Import", subclass, nullptr);
        if (!path) return false;
        auto access = std::make_unique<ZRModuleAccess>(this);
        const QByteArray file = mediaPath(options);
        if (!access->open("Import", file.constData(), path->toUtf8().constData())) return false;
        const ZRPos played = length(int(std::min(access->playLength() * rate, 2.0e9)));
        const ZRPos source = length(int(std::min(access->sourceLength() * rate, 2.0e9)));
        object->duration()->assign(&played);
        object->sourceLength()->assign(&source);
        object->setHasVideo(access->sourceHasVideo());
        object->setHasAudio(access->sourceHasAudio());
        int sampleRate = 0, bits = 0, channels = 0;
        if (access->audioSettings(&sampleRate, &bits, &channels))
            object->setBytesPerSampleFrame(bits / 8 * channels);
        object->setSourceVideoFormat(access->formatCode());
        object->setName(file.constData());
        object->setSourceText(file.constData());
        object->setMediaSource(std::move(access));
        return true;
    }
    if (is(kind, "Transition")) {
        const std::optional<QString> path = ZRModuleManager::modulePath(kind, subclass, module);
        if (!path) return false;
        auto binding = std::make_unique<ZRTransitionModule>();
        if (!binding->bind(*path)) return false;
        binding->bindGUI(zrEngine().language);
        object->setName(binding->name().c_str());
        object->setSourceText(binding->description().c_str());
        object->setHasVideo(true);
        object->bindTransition(std::move(binding));
        object->sourceLength()->assign(&farEnd);
        const ZRPos second = length(30);
        object->duration()->assign(&second);
        return true;
    }
    if (is(kind, "2D-Text")) {
        ZRObject::Overlay overlay = object->overlay();
        overlay.mode = 4;
        object->setOverlay(overlay);
        auto font = std::make_unique<ZRFontData>();
        font->size = 40;
        font->xResolution = font->yResolution = 120;
        font->safeFrameSize = 0.1f;
        font->text = QString::fromUtf8(orEmpty(options));
        font->textLength = int(font->text.size());
        object->setFontData(std::move(font));
        object->remeasureText();
        object->setHasVideo(true);
        object->setName("2D-Text");
        const ZRPos halfHour(0, 30, 0, 0, rate);
        object->sourceLength()->assign(&halfHour);
        const ZRPos second = length(30);
        object->duration()->assign(&second);
        return true;
    }
    return false;
}

IZRObject* ZRTimeline::createObject(const char* kind, const char* subclass, const char* module,
                                    const char* options) {
    // The options of an external video object are a function pointer, not text.
    const bool external = is(kind, "Import") && is(subclass, "External Video Object");
    auto object =
        std::make_unique<ZRObject>(this, kind, subclass, module, external ? nullptr : options);
    noteChange("Create Object");
    if (!buildObject(object.get(), kind, subclass, module, options)) return nullptr;
    object->endPos()->assign(object->duration());
    object->markOut()->assign(object->duration());
    ZRObject* made = object.get();
    m_registries.objects.add(std::unique_ptr<IZRObject>(object.release()));
    m_handles.handleOf(static_cast<IZRObject*>(made));
    made->setUserValue(m_host.createUserData(made));
    return made;
}

IZRObject* ZRTimeline::duplicateObject(IZRObject* source) {
    auto* original = static_cast<ZRObject*>(source);
    if (!original || !registered(original)) return nullptr;
    const bool external = is(original->kind().c_str(), "Import") &&
                          is(original->subclass().c_str(), "External Video Object");
    const QByteArray options = original->options().toUtf8();
    const char* optionsArgument =
        external ? reinterpret_cast<const char*>(original->frameSource()) : options.constData();
    auto* copy =
        static_cast<ZRObject*>(createObject(original->kind().c_str(), original->subclass().c_str(),
                                            original->module().c_str(), optionsArgument));
    if (!copy) return nullptr;
    copy->setName(original->name());
    if (ZREffectList* effects = original->effectList()) {
        for (ZREffect* e = effects->first(); e; e = effects->next()) {
            auto* effect = static_cast<ZRModuleEffect*>(e);
            auto* twin = static_cast<ZRModuleEffect*>(createEffect(
                effect->kind().c_str(), effect->subclass().c_str(), effect->module().c_str()));
            if (!twin) continue;
            twin->setName(effect->name());
            twin->duration()->assign(effect->duration());
            copy->addEffect(twin);
        }
    }
    if (original->fontData()) {
        copy->setFontData(std::make_unique<ZRFontData>(*original->fontData()));
        copy->remeasureText();
    }
    copy->setOverlay(original->overlay());
    copy->markIn()->assign(original->markIn());
    copy->markOut()->assign(original->markOut());
    copy->duration()->assign(original->duration());
    return copy;
}

bool ZRTimeline::registered(IZRObject* object) {
    return m_registries.objects.contains(object);
}

// Waits for a render in progress: the renderer is held first, then the render lock is taken for
// the destruction (never the other way round: the renderer takes its state lock first).
void ZRTimeline::destroyObject(IZRObject* object) {
    if (!object || !registered(object)) return;
    suspendRenderer();
    removeObject(object);
    // The host's release of the user value may destroy effects, which take the renderer's
    // state lock: done before the render lock, which comes after it.
    if (auto* own = dynamic_cast<ZRObject*>(object)) own->releaseUserData();
    {
        std::lock_guard renderLock(renderMutex());
        std::unique_ptr<IZRObject> owned = m_registries.objects.take(object);
        m_handles.unregister(object);
        owned.reset();
    }
    resumeRenderer();
}

ZREffect* ZRTimeline::createEffect(const char* kind, const char* subclass, const char* module) {
    auto effect = std::make_unique<ZRModuleEffect>(kind, subclass, module);
    if (is(kind, "Video Effect")) {
        const std::optional<QString> path = ZRModuleManager::modulePath(kind, subclass, module);
        if (!path) return nullptr;
        auto binding = std::make_unique<ZRVideoEffectModule>();
        if (!binding->bind(*path)) return nullptr;
        binding->bindGUI(zrEngine().language);
        effect->setName(binding->name().c_str());
        effect->bindModule(std::move(binding));
        const double rate = m_frameRate;
        ZRPos source(0, 0, 0, 0, rate);
        source.setMinutes(9);
        source.setSeconds(59);
        source.setFrames(59);
        effect->sourceLength()->assign(&source);
        const ZRPos second(0, 0, 0, 30, rate);
        effect->duration()->assign(&second);
    }
    ZRModuleEffect* made = effect.get();
    m_handles.handleOf(static_cast<ZREffect*>(made));
    m_registries.effects.add(std::unique_ptr<ZREffect>(effect.release()));
    return made;
}

// The effect leaves its object first, so no object keeps a pointer to it.
void ZRTimeline::destroyEffect(ZREffect* effect) {
    auto* own = static_cast<ZRModuleEffect*>(effect);
    if (!own || !m_registries.effects.contains(own)) return;
    suspendRenderer();
    if (IZRObject* owner = own->owner()) owner->removeEffect(own);
    {
        std::lock_guard renderLock(renderMutex());
        std::unique_ptr<ZREffect> owned = m_registries.effects.take(effect);
        m_handles.unregister(effect);
        owned.reset();
    }
    resumeRenderer();
}
