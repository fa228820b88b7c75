#include "capture/ZRGraphFactoryPath.h"

// Everything a kind does not have: do nothing, report failure.

bool IZRFactoryPath::runPath(long, long) {
    return false;
}
bool IZRFactoryPath::getAVProp(long, ZRAVProp*) {
    return false;
}
bool IZRFactoryPath::setAVProp(long, long) {
    return false;
}
bool IZRFactoryPath::setAVPropName(long, const QString&) {
    return false;
}
bool IZRFactoryPath::videoSize(int, int) {
    return false;
}
bool IZRFactoryPath::audioFormat(int, int, int) {
    return false;
}
std::optional<ZRVideoResolutions> IZRFactoryPath::videoSizeList() {
    return std::nullopt;
}
std::optional<ZRAudioResolutions> IZRFactoryPath::audioFormatList() {
    return std::nullopt;
}
void IZRFactoryPath::setCamState(long, long) {}
void IZRFactoryPath::setSignalLinks(const ZRSignalLink&, const ZRSignalLink&, const ZRSignalLink&) {
}
ZRGraphBase::Filter IZRFactoryPath::deviceFilter() const {
    return 0;
}
std::optional<long> IZRFactoryPath::dvVideoFormat() const {
    return std::nullopt;
}
bool IZRFactoryPath::frameCounts(long*, long*) const {
    return false;
}
int IZRFactoryPath::writerStopReason() const {
    return 0;
}
bool IZRFactoryPath::resizePreview(int, int) {
    return false;
}
