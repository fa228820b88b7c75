#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

/// One numbered temporary file: its path and, while open, its stream.
struct ZRTempFile {
    QString path;
    std::FILE* stream = nullptr;

    ZRTempFile() = default;
    ZRTempFile(const ZRTempFile&) = delete;
    ZRTempFile& operator=(const ZRTempFile&) = delete;
    ~ZRTempFile();
};

/// Hands out "zrt<number>.tmp" files in a temporary folder (the background renderer's frame
/// store). Making the store removes the "zrt" files an earlier run left there; other files
/// stay. Numbering is safe from any thread; each record is used by one thread at a time.
class ZRTempFileStore {
public:
    /// Uses the per-user temporary folder, created when missing.
    ZRTempFileStore();
    /// Uses `folder` (created when missing) instead; for tests and hosts with their own folder.
    explicit ZRTempFileStore(const QString& folder);

    /// The folder, ending in "/".
    QString folder() const { return m_folder; }
    /// Moves later files to `folder`; the folder is not created.
    void setFolder(const QString& folder);

    /// A record for the next numbered file; nothing is opened or created yet.
    std::unique_ptr<ZRTempFile> newTempFile();
    /// Opens the file for reading and writing at its start, creating it when missing.
    bool openTempFile(ZRTempFile& file);
    void closeTempFile(ZRTempFile& file);
    /// Closes the file, removes it from disk and frees the record.
    void deleteTempFile(std::unique_ptr<ZRTempFile> file);

private:
    void removeStaleFiles();

    QString m_folder;
    std::atomic<uint32_t> m_counter{0};
};
