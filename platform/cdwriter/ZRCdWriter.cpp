#include "platform/cdwriter/ZRCdWriter.h"

#include "platform/cdwriter/ZRBurnCdWriter.h"
#include "platform/cdwriter/ZRSimulatedCdWriter.h"
#include "platform/system/SystemPaths.h"

#include <QDir>

ZRCdWriter::~ZRCdWriter() = default;

namespace cdwriter {

namespace {

std::shared_ptr<ZRCdWriter>& installed() {
    static std::shared_ptr<ZRCdWriter> writer;
    return writer;
}

} // namespace

std::shared_ptr<ZRCdWriter> writer() {
    std::shared_ptr<ZRCdWriter>& current = installed();
    // The machine's writer scans only when it is first asked about its units, so making it here
    // costs nothing at start-up.
    if (!current) current = std::make_shared<ZRBurnCdWriter>();
    return current;
}

void setWriter(std::shared_ptr<ZRCdWriter> writer) {
    installed() = std::move(writer);
}

void registerSimulatedWriter() {
    const QString folder = platform::tempFolder();
    QDir().mkpath(folder);
    setWriter(std::make_shared<ZRSimulatedCdWriter>(QDir(folder).filePath("simulated-cd.bin")));
}

} // namespace cdwriter
