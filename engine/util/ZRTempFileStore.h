#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>

class QLockFile;

/// One numbered temporary file: its path and, while open, its stream.
struct ZRTempFile {
    QString path;
    std::FILE* stream = nullptr;

    ZRTempFile() = default;
    ZRTempFile(const ZRTempFile&) = delete;
    ZRTempFile& operator=(const ZRTempFile&) = delete;
    ~ZRTempFile();
};

/// Hands out "zrt<number>.tmp" files (the background renderer's frame store) in a folder of the
/// store's own, "zrt-store<n>/" under the temporary folder, held by the lock file
/// "zrt-store<n>.lock" beside it while the store lives: two stores (two timelines, two running
/// copies) never share a file. Making a store, or moving it to another temporary folder,
/// removes the store folders there whose owner is gone; nothing else in the folder is touched.
/// The own folder is made with the first file and removed, with what is left in it, when the
/// store goes or moves.
/// Thread-safety: every operation may be called from any thread; the folders are read and
/// replaced under the store's mutex. Each file record is used by one thread at a time.
class ZRTempFileStore {
public:
    /// Uses the per-user temporary folder, created when missing.
    ZRTempFileStore();
    /// Uses `folder` (created when missing) instead; for tests and hosts with their own folder.
    explicit ZRTempFileStore(const QString& folder);
    ~ZRTempFileStore();
    ZRTempFileStore(const ZRTempFileStore&) = delete;
    ZRTempFileStore& operator=(const ZRTempFileStore&) = delete;

    /// The temporary folder, ending in "/".
    QString folder() const;
    /// The store's own folder, ending in "/"; empty until the first file was handed out.
    QString storeFolder() const;
    /// Moves later files to a folder of their own under `folder`, which is not created. The
    /// own folder used so far is released and removed with its files: the caller forgets
    /// them first.
    void setFolder(const QString& folder);

    /// A record for the next numbered file; nothing is opened or created yet. Its path is empty
    /// (and opening it fails) when the store's folder cannot be made.
    std::unique_ptr<ZRTempFile> newTempFile();
    /// Opens the file for reading and writing at its start, creating it when missing.
    bool openTempFile(ZRTempFile& file);
    void closeTempFile(ZRTempFile& file);
    /// Closes the file, removes it from disk and frees the record.
    void deleteTempFile(std::unique_ptr<ZRTempFile> file);

private:
    bool acquireStoreFolder();
    void releaseStoreFolder();

    mutable std::mutex m_mutex;
    QString m_folder;                  ///< guarded by the mutex
    QString m_storeFolder;             ///< guarded by the mutex; empty while none is held
    std::unique_ptr<QLockFile> m_lock; ///< guarded by the mutex
    uint32_t m_counter = 0;            ///< guarded by the mutex
};
