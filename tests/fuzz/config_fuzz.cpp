// Configuration files come from disk and may hold anything: any bytes must parse, read and
// write back without a fault, and what is written must parse to the same entries.
#include "common/config/QConfig.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    QConfig config;
    config.parseStream(&input, nullptr, false);

    QBuffer written;
    if (!config.writeStream(&written)) std::abort();
    QByteArray first = written.data();

    // Reading every entry of the unnamed group exercises unescaping and "$" expansion.
    if (auto it = config.entryIterator(QString())) {
        for (; !it->atEnd(); it->next()) {
            config.readEntry(it->current().key);
            config.readNumEntry(it->current().key);
            config.readBoolEntry(it->current().key);
        }
    }

    QConfig again;
    QBuffer reread(&first);
    reread.open(QIODevice::ReadOnly);
    again.parseStream(&reread, nullptr, false);
    QBuffer rewritten;
    if (!again.writeStream(&rewritten) || rewritten.data() != first) std::abort();
    return 0;
}
