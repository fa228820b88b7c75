#include "app/ZRVeskSplash.h"

#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRSkinBox.h"
#include "editor/ZRCallbacks.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace {

// Touched on the GUI thread only.
ZRVeskSplash* g_current = nullptr;

QDict<PSDLayer>* frameSkin() {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("popup_box");
    PSDLayerSet* square = sets ? sets->find(QStringLiteral("square")) : nullptr;
    return square ? &square->layers : nullptr;
}

// The default skin is dark, so the message is drawn in a light ink rather than black.
constexpr QRgb kMessageColour = 0xFFE4E5E7u;
constexpr int kMessageHeight = 16;

} // namespace

ZRVeskSplash::ZRVeskSplash(const QString& bitmapPath)
    : ZRDialog(frameSkin(), nullptr, "ZRVeskSplash", true, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_image.load(bitmapPath);
    if (!m_image.isNull()) m_image = m_image.convertToFormat(QImage::Format_ARGB32);

    m_label = new QLabel(tr("Loading libraries..."), this);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const ZRFontTag tag = translatedFontTag("ZRVeskSplash", "<name>Arial</name><size>8</size>");
    QFont font(tag.name, tag.pointSize > 0 ? tag.pointSize : 8);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    m_label->setFont(font);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgba(kMessageColour));
    m_label->setPalette(palette);
    m_label->setFixedHeight(kMessageHeight);
    m_label->setIndent(20);

    // The frame's middle runs from (0, 0) to (width - 21, height - 6) of the picture; the
    // dialog takes the frame's outer size around it.
    const QSize picture = m_image.isNull() ? fallbackImageSize() : m_image.size();
    ZRSkinBox frame(frameSkin());
    frame.setInnerGeometry(QRect(QPoint(0, 0), QPoint(picture.width() - 21, picture.height() - 6)));
    const QSize outer =
        frame.naturalSize().isEmpty() ? picture + QSize(0, kMessageHeight) : frame.boxRect().size();
    setFixedSize(outer);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

ZRVeskSplash::~ZRVeskSplash() {
    if (g_current == this) publish(nullptr);
}

void ZRVeskSplash::publish(ZRVeskSplash* splash) {
    g_current = splash;
    if (splash)
        setSplashScreen(splash, [splash](const QString& text) { splash->showMessage(text); });
    else
        setSplashScreen(nullptr, nullptr);
}

ZRVeskSplash* ZRVeskSplash::current() {
    return g_current;
}

QRect ZRVeskSplash::pictureRect() const {
    const QRect middle = innerRect();
    if (middle == rect()) return QRect(0, 0, width(), height()); // no frame skin
    return QRect(middle.left() - 10, middle.top() - 10, middle.width() + 20, middle.height() + 20);
}

void ZRVeskSplash::showMessage(const QString& text) {
    m_label->setText(text);
    m_label->repaint();
}

void ZRVeskSplash::resizeEvent(QResizeEvent* e) {
    ZRDialog::resizeEvent(e);
    const QRect r = pictureRect();
    m_label->setGeometry(r.left(), r.bottom() - kMessageHeight + 1, r.width(), kMessageHeight);
}

void ZRVeskSplash::composeBackground(int x, int y, int w, int h) {
    ZRDialog::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!target || target->isNull() || r.isEmpty() || m_image.isNull()) return;
    QPainter painter(target);
    painter.setClipRect(mapRectToSkinRoot(r));
    painter.drawImage(mapPointToSkinRoot(pictureRect().topLeft()), m_image);
}
