// Any bytes handed back as an object's editor data make one user record or none, and what a
// record writes parses to a record of the same kind. An empty corpus folder is seeded with the
// four kinds' texts.
#include "editor/ZREditorData.h"
#include "editor/ZRUserData.h"

#include "engine/timeline/ZRTimeline.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

ZRTimeline* gTimeline = nullptr;
IZRObject* gObject = nullptr;

const char* const kSeeds[] = {
    "<ZR_EDITOR_DATA>$@@$VIDEO$@@$3$@@$1$@@$",
    "<ZR_EDITOR_DATA>$@@$AUDIO$@@$-1$@@$$@@$",
    "<ZR_EDITOR_DATA>$@@$TRANS$@@$-1$@@$$@@$",
    "<ZR_EDITOR_DATA>$@@$TITLE$@@$-1$@@$$@@$",
};

void seed(const QString& corpus) {
    QDir dir(corpus);
    if (!dir.exists() || !dir.isEmpty()) return;
    int n = 0;
    for (const char* text : kSeeds) {
        QFile file(dir.filePath(QString("seed%1").arg(++n)));
        if (file.open(QIODevice::WriteOnly)) file.write(text);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::unique_ptr<ZRTimeline> timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 1);
    gTimeline = timeline.get();
    gObject = gTimeline->createObject("Solid Color", "RGB(1,2,3)", "", "");
    // The object keeps one effect, which every video record takes over.
    gObject->addEffect(gTimeline->createEffect("Mask", "", ""));
    for (int i = 1; i < *argc; ++i) {
        if ((*argv)[i][0] != '-') seed(QString::fromLocal8Bit((*argv)[i]));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ZRUserData* made = editordata::parse(gTimeline, gObject, text.c_str());
    if (made != ZRUserData::of(gObject)) __builtin_trap();
    if (!made) return 0;
    if (made->kind < ZRUserData::Video || made->kind > ZRUserData::Title) __builtin_trap();
    const QByteArray written = editordata::write(gTimeline, gObject);
    const int32_t kind = made->kind;
    ZRUserData* again = editordata::parse(gTimeline, gObject, written.constData());
    if (!again || again->kind != kind) __builtin_trap();
    // Leave the object bare for the next input; the effect stays on it.
    auto* clip = again->kind == ZRUserData::Video ? static_cast<ZRVideoUserData*>(again) : nullptr;
    if (clip) clip->effect = nullptr;
    editordata::release(gTimeline, reinterpret_cast<intptr_t>(again));
    gObject->setUserValue(0);
    return 0;
}
