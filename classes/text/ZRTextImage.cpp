#include "classes/text/ZRTextImage.h"

#include "classes/text/ZRDefaultTextFont.h"
#include "engine/api/ZRFont.h"

namespace {

struct FontDeleter {
    void operator()(ZRFont* font) const { TTFontDestroy(font); }
};

} // namespace

struct ZRTextImage::FontRecord {
    ZRFontData data;
    ZRStringInfo info;
    std::unique_ptr<ZRFont, FontDeleter> font{TTFontFactory()};

    FontRecord() {
        data.faceIndex = 0;
        data.xResolution = 72;
        data.yResolution = 72;
        data.antiAlias = defaultTextFont().smoothing ? 1 : 0;
    }

    void setColour(const QColor& colour) {
        data.red = colour.red();
        data.green = colour.green();
        data.blue = colour.blue();
        data.alpha = qAlpha(colour.rgba());
    }
};

ZRTextImage::ZRTextImage() : m_font(std::make_unique<FontRecord>()) {
    m_font->data.faceName = defaultTextFont().fileName;
    m_font->data.size = defaultTextFont().pointSize;
    m_font->setColour(QColor(255, 255, 255, 255));
    render();
}

ZRTextImage::ZRTextImage(const QString& text, const QColor& colour, const QString& fontName,
                         int pointSize, float spacing)
    : m_font(std::make_unique<FontRecord>()) {
    m_font->data.text = text;
    m_font->setColour(colour);
    m_font->data.faceName = fontName;
    m_font->data.size = pointSize;
    m_font->data.letterSpacing = spacing;
    render();
}

ZRTextImage::~ZRTextImage() = default;

bool ZRTextImage::setFont(const QString& fontName, int pointSize) {
    m_font->data.faceName = fontName;
    m_font->data.size = pointSize;
    return render();
}

bool ZRTextImage::setColor(const QColor& colour) {
    m_font->setColour(colour);
    return render();
}

bool ZRTextImage::setText(const QString& text) {
    m_font->data.text = text;
    return render();
}

bool ZRTextImage::setTextAndColor(const QString& text, const QColor& colour) {
    m_font->data.text = text;
    m_font->setColour(colour);
    return render();
}

bool ZRTextImage::setAll(const QString& text, const QColor& colour, const QString& fontName,
                         int pointSize, float spacing) {
    m_font->data.text = text;
    m_font->setColour(colour);
    m_font->data.faceName = fontName;
    m_font->data.size = pointSize;
    m_font->data.letterSpacing = spacing;
    m_font->data.faceIndex = 0;
    return render();
}

bool ZRTextImage::setSpacing(float spacing) {
    m_font->data.letterSpacing = spacing;
    return render();
}

QSize ZRTextImage::size() const {
    if (!m_image.isNull()) return m_image.size();
    return QSize(m_lastWidth, m_lastHeight);
}

QString ZRTextImage::text() const {
    return m_font->data.text;
}

QString ZRTextImage::fontName() const {
    return m_font->data.faceName;
}

int ZRTextImage::fontSize() const {
    return m_font->data.size;
}

QColor ZRTextImage::color() const {
    const ZRFontData& d = m_font->data;
    return QColor(d.red, d.green, d.blue, d.alpha);
}

bool ZRTextImage::render() {
    m_valid = false;
    FontRecord& f = *m_font;
    if (f.data.size < 1 || f.data.text.isEmpty() || !f.font) return false;
    // A failed open leaves the font closed; it is tried once more from that clean state.
    if (f.font->openFont(&f.data) != 0 && f.font->openFont(&f.data) != 0) return false;
    m_valid = true;

    // Inline tags in the text change the record they are measured and drawn with; the stored
    // settings stay as the caller set them.
    ZRFontData measured = f.data;
    f.font->getBBox(f.data.text, &f.info, &measured);
    QImage rendered;
    if (f.info.width > 0 && f.info.height > 0) {
        rendered = QImage(f.info.width, f.info.height, QImage::Format_ARGB32);
    }
    if (!rendered.isNull()) {
        rendered.fill(0);
        ZRFontData drawn = f.data;
        f.font->renderString(rendered.bits(), int(rendered.bytesPerLine()), rendered.width(),
                             rendered.height(), &drawn, 0.0f, 0.0f, 4);
    }
    m_image = rendered;
    m_lastWidth = f.info.width;
    m_lastHeight = f.info.height;
    return m_valid;
}
