#include "engine/api/ZRFont.h"

#include "engine/fonts/ZRFontFolders.h"

#include <cstring>

ZRFont::ZRFont() = default;

ZRFont::ZRFont(const ZRFont& other) {
    std::memcpy(m_name, other.m_name, sizeof m_name);
}

ZRFont& ZRFont::operator=(const ZRFont& other) {
    std::memcpy(m_name, other.m_name, sizeof m_name);
    return *this;
}

ZRFont::~ZRFont() = default;

int ZRFont::isFont(const char*) {
    return -1;
}
int ZRFont::numFaces() const {
    return -1;
}
int ZRFont::openFont(ZRFontData*) {
    return -1;
}
int ZRFont::setChar(int, ZRCharInfo*) {
    return -1;
}
int ZRFont::renderChar(unsigned char*, int, int, int, ZRFontData*, ZRCharInfo*, float, float, int) {
    return -1;
}
int ZRFont::baseLine() const {
    return -1;
}
void ZRFont::renderString(unsigned char*, int, int, int, ZRFontData*, float, float, int) {}
void ZRFont::getBBox(const QString&, ZRStringInfo*, ZRFontData*) {}
float ZRFont::getLineWidth(int&, const QString&, ZRStringInfo*, ZRFontData*) {
    return 0.0f;
}
void ZRFont::init2DMovement(ZRFontData*, ZRFont2DInstance*, int, int, ZRStringInfo&) {}
QChar ZRFont::getNextChar(int&, const QString&, ZRFontData*) {
    return QChar();
}
void ZRFont::lock() {}
void ZRFont::unlock() {}

void ZRFont::getSystemFontDir(char* out, size_t outSize, const char* fileName) {
    fonts::copyPath(out, outSize, fonts::systemFontFolder(), fileName);
}

void ZRFont::getMarvestoFontDir(char* out, size_t outSize, const char* fileName) {
    fonts::copyPath(out, outSize, fonts::programFontFolder(), fileName);
}
