#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// Replaces one group of the module settings file and keeps the rest (the engine's module cache
// lives in the same file).
inline void replaceGroup(const QString& path, const QString& group, const QString& body) {
    QFile file(path);
    QStringList kept;
    if (file.open(QIODevice::ReadOnly)) {
        bool skipping = false;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith('['))
                skipping = trimmed.compare("[" + group + "]", Qt::CaseInsensitive) == 0;
            if (!skipping) kept.push_back(line);
        }
        file.close();
    }
    while (!kept.isEmpty() && kept.back().isEmpty())
        kept.pop_back();
    if (kept.isEmpty()) kept.push_back("# Marvesto Config File");
    kept.push_back("[" + group + "]");
    kept.push_back(body);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(kept.join('\n').toUtf8());
}
