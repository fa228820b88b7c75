#pragma once

// The fuzzer keeps the coverage counters of every module it saw: a module the engine unloads
// after looking at it must stay mapped. Loads every module under a folder once more, for good.

#include <QDirIterator>
#include <QFile>
#include <QString>

#include <dlfcn.h>

inline void pinModules(const QString& folder) {
    QDirIterator it(folder, {QStringLiteral("*.so")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        dlopen(QFile::encodeName(it.next()).constData(), RTLD_LAZY | RTLD_NODELETE);
}
