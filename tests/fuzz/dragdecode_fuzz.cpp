// Any bytes dropped as an engine-object, title or editor-object payload decode to a clear
// answer; a payload the encoders wrote from what was decoded decodes to the same values.
#include "editor/ZREngineDrag.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRVeskEditorDrag.h"

#include <QMimeData>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QMimeData source;
    source.setData(ZREngineDrag::kMimeType, bytes);
    source.setData(ZRTitleDrag::kMimeType, bytes);
    source.setData(ZRVeskEditorDrag::kMimeType, bytes);

    int id = 0;
    QString kind, group, name;
    if (ZREngineDrag::decode(&source, id, kind, group, name) && !kind.isEmpty() &&
        !group.isEmpty() && !name.isEmpty() && !kind.contains("$@@$") && !group.contains("$@@$") &&
        !name.contains("$@@$") && !kind.contains(QChar(0)) && !group.contains(QChar(0)) &&
        !name.contains(QChar(0))) {
        QMimeData again;
        again.setData(ZREngineDrag::kMimeType, ZREngineDrag::payload(id, kind, group, name));
        int id2 = 0;
        QString kind2, group2, name2;
        if (!ZREngineDrag::decode(&again, id2, kind2, group2, name2) || id2 != id ||
            kind2 != kind || group2 != group || name2 != name)
            __builtin_trap();
    }

    ZRTitleSettings title;
    ZRTitleDrag::decode(&source, title);

    uintptr_t thread = 0, object = 0;
    if (ZRVeskEditorDrag::decode(&source, &thread, &object)) {
        ZRVeskEditorDrag drag(nullptr, "Moving Editor Object");
        drag.setPayload(thread, object, 0);
        QMimeData again;
        again.setData(ZRVeskEditorDrag::kMimeType, drag.encodedData(ZRVeskEditorDrag::kMimeType));
        uintptr_t thread2 = 1, object2 = 1;
        if (!ZRVeskEditorDrag::decode(&again, &thread2, &object2) || thread2 != thread ||
            object2 != object)
            __builtin_trap();
    }
    return 0;
}
