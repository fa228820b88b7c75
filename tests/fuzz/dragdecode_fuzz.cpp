// Any bytes dropped as an engine-object, title or editor-object payload decode to a clear
// answer; a payload the encoders wrote from what was decoded decodes to the same values (a
// title's to the same bytes). The same bytes, cut at the byte 0x01 into a kind, a group and a
// name, either cross an engine drag whole or start no drag.
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
    if (ZREngineDrag::decode(&source, id, kind, group, name) &&
        ZREngineDrag::carriesWhole(kind, group, name)) {
        QMimeData again;
        again.setData(ZREngineDrag::kMimeType, ZREngineDrag::payload(id, kind, group, name));
        int id2 = 0;
        QString kind2, group2, name2;
        if (!ZREngineDrag::decode(&again, id2, kind2, group2, name2) || id2 != id ||
            kind2 != kind || group2 != group || name2 != name)
            __builtin_trap();
    }

    const QList<QByteArray> texts = bytes.split('\x01');
    if (texts.size() >= 3) {
        const QString k = QString::fromUtf8(texts[0]), g = QString::fromUtf8(texts[1]),
                      n = QString::fromUtf8(texts[2]);
        // The engine views start no drag of texts that would not come back whole.
        if (ZREngineDrag::carriesWhole(k, g, n)) {
            ZREngineDrag drag;
            drag.setEngineItem(ZRIconDragItem(), QRect(), QRect(), 100, k, g, n);
            QMimeData dropped;
            dropped.setData(ZREngineDrag::kMimeType, drag.encodedData(ZREngineDrag::kMimeType));
            int id2 = 0;
            QString k2, g2, n2;
            if (!ZREngineDrag::decode(&dropped, id2, k2, g2, n2) || id2 != 100 || k2 != k ||
                g2 != g || n2 != n)
                __builtin_trap();
        }
    }

    // A decoded title, encoded and decoded again, encodes to the same bytes: the text travels
    // whole whatever separators it holds.
    ZRTitleSettings title;
    if (ZRTitleDrag::decode(&source, title)) {
        const QByteArray encoded = ZRTitleDrag::payload(title);
        QMimeData again;
        again.setData(ZRTitleDrag::kMimeType, encoded);
        ZRTitleSettings title2;
        if (!ZRTitleDrag::decode(&again, title2) || ZRTitleDrag::payload(title2) != encoded)
            __builtin_trap();
    }

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
