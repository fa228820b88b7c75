#include "editor/ZRVeskEditorDrag.h"

#include "editor/ZRDragPayload.h"

#include <QDrag>
#include <QMimeData>

namespace {

constexpr char kTag[] = "ZRVESKEDITOR";

const ZRVeskEditorDrag* gRunning = nullptr;

uintptr_t number(const QString& field) {
    bool ok = false;
    const qulonglong value = field.toULongLong(&ok);
    return ok && value <= UINTPTR_MAX ? uintptr_t(value) : 0;
}

} // namespace

ZRVeskEditorDrag::ZRVeskEditorDrag(QObject* dragSource, const char* name)
    : m_source(dragSource), m_name(name) {}

ZRVeskEditorDrag::~ZRVeskEditorDrag() {
    if (gRunning == this) gRunning = nullptr;
}

const char* ZRVeskEditorDrag::format(int i) const {
    return i == 0 ? kMimeType : nullptr;
}

QByteArray ZRVeskEditorDrag::encodedData(const char* mime) const {
    if (!mime || QString::fromLatin1(mime) != QLatin1String(kMimeType)) return {};
    const QString sep = QLatin1String(dragpayload::kSeparator);
    return dragpayload::terminated(QLatin1String(kTag) + sep + QString::number(m_sourceThread) +
                                   sep + QString::number(m_object) + sep);
}

bool ZRVeskEditorDrag::canDecode(const QMimeData* source) {
    return dragpayload::providesAny(source, {kMimeType});
}

void ZRVeskEditorDrag::setPayload(uintptr_t sourceThread, uintptr_t object, uintptr_t extra) {
    m_sourceThread = sourceThread;
    m_object = object;
    m_extra = extra;
}

QMimeData* ZRVeskEditorDrag::mimeData() const {
    auto* data = new QMimeData;
    data->setData(QLatin1String(kMimeType), encodedData(kMimeType));
    return data;
}

Qt::DropAction ZRVeskEditorDrag::execute(QDrag& drag) {
    return drag.exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

bool ZRVeskEditorDrag::dragCopyOrMove() {
    const ZRVeskEditorDrag* outer = gRunning;
    gRunning = this;
    auto* drag = new QDrag(m_source.data());
    drag->setObjectName(QString::fromUtf8(m_name));
    drag->setMimeData(mimeData());
    const Qt::DropAction action = execute(*drag);
    // The drop's receivers may still hold the drag while its event is delivered.
    drag->deleteLater();
    gRunning = outer;
    return action == Qt::MoveAction;
}

bool ZRVeskEditorDrag::decode(const QMimeData* source, uintptr_t* sourceThread, uintptr_t* object) {
    const QStringList fields = dragpayload::fields(source, kMimeType);
    if (fields.isEmpty() || fields.front() != QLatin1String(kTag)) return false;
    int counter = 0;
    for (const QString& field : fields) {
        if (counter == 1 && sourceThread) *sourceThread = number(field);
        if (counter == 2 && object) *object = number(field);
        counter = (counter + 1) % 3;
    }
    return true;
}

const ZRVeskEditorDrag* ZRVeskEditorDrag::running() {
    return gRunning;
}
