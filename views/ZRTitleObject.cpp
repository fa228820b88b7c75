#include "views/ZRTitleObject.h"

#include "editor/ZRScopedPos.h"
#include "editor/ZRTitleDrag.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"

#include <QColor>
#include <QRegularExpression>

#include <climits>
#include <cmath>

QString titleName(QString text) {
    text.remove(QRegularExpression(QStringLiteral("<!.*!>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("([^\n]*)\n*")).match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

bool usableTitleDuration(double ms) {
    return std::isfinite(ms) && ms > 0 && ms <= double(INT_MAX);
}

IZRObject* createTitleObject(IZRTimeline* timeline, const ZRTitleSettings& title,
                             int opaqueBackground, int overlayMode) {
    // The duration travels as whole milliseconds; anything else is refused before an object
    // exists.
    if (!timeline || !usableTitleDuration(title.duration)) return nullptr;
    IZRObjectFactory* factory = timeline->factory();
    IZRObject* object =
        factory->createObject("2D-Text", "ZR-Engine", nullptr, title.text.toUtf8().constData());
    if (!object) return nullptr;
    object->setName(titleName(title.text).toUtf8().constData());
    if (auto* s = dynamic_cast<IZRSettings*>(object)) {
        s->setIntSetting("Text Alignment", title.alignment);
        s->setIntSetting("Text Separator Width", title.letterSpacing);
        s->setIntSetting("Text Separator Height", title.lineSpacing);
        s->setIntTripleSetting("Text Background Color", qRed(title.backgroundColor),
                               qGreen(title.backgroundColor), qBlue(title.backgroundColor));
        s->setIntSetting("Text Opaque Background", opaqueBackground);
        s->setIntSetting("Text StartX Pos", title.startX);
        s->setIntSetting("Text StartY Pos", title.startY);
        s->setIntSetting("Text EndX Pos", title.endX);
        s->setIntSetting("Text EndY Pos", title.endY);
        s->setIntSetting("Text Movement", title.movement);
        s->setIntSetting("Overlay Fade In", title.fadeIn);
        s->setIntSetting("Overlay Fade Out", title.fadeOut);
        s->setIntSetting("Overlay Fade Time", title.fadeTime);
        s->setDoubleSetting("Text Safe Frame Size", title.safeFrameSize);
        s->setIntSetting("Overlay Mode", overlayMode);
    }
    ZRScopedPos length(factory);
    length->setMilliseconds(unsigned(title.duration));
    timeline->setObjectMarkOut(object, length);
    return object;
}
