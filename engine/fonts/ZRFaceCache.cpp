#include "engine/fonts/ZRFaceCache.h"

#include "engine/fonts/FontFileStream.h"

#include <QFile>

#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace fonts {
namespace {

struct MappedFile {
    FontFileStream stream;
    int references = 0;
};

// Owned by the cache while any face is open; freed when the last one closes.
struct FaceCache {
    std::map<QString, MappedFile> files;
    std::map<std::pair<QString, int>, std::unique_ptr<ZRFaceEntry>> faces;
};

FaceCache* g_cache = nullptr;
FT_Library g_library = nullptr;

FT_Library library() {
    if (!g_library && FT_Init_FreeType(&g_library) != 0) g_library = nullptr;
    return g_library;
}

const FontFileStream* mapFile(FaceCache& cache, const QString& path) {
    auto it = cache.files.find(path);
    if (it == cache.files.end()) {
        FontFileStream stream;
        if (streamOpen(QFile::encodeName(path).constData(), &stream) != kFontFileOk) return nullptr;
        it = cache.files.emplace(path, MappedFile{stream, 0}).first;
    }
    ++it->second.references;
    return &it->second.stream;
}

void unmapFile(FaceCache& cache, const QString& path) {
    auto it = cache.files.find(path);
    if (it == cache.files.end() || --it->second.references > 0) return;
    streamClose(&it->second.stream);
    cache.files.erase(it);
}

void dropCacheWhenEmpty() {
    if (g_cache && g_cache->faces.empty() && g_cache->files.empty()) {
        delete g_cache;
        g_cache = nullptr;
    }
}

} // namespace

std::mutex& fontMutex() {
    // Never freed: font objects may be destroyed while the process exits.
    static auto* mutex = new std::mutex;
    return *mutex;
}

ZRFaceEntry* acquireFace(const QString& path, int faceIndex) {
    if (path.isEmpty() || faceIndex < 0 || faceIndex > 0xFFFF) return nullptr;
    FT_Library ft = library();
    if (!ft) return nullptr;
    if (!g_cache) g_cache = new FaceCache;
    FaceCache& cache = *g_cache;

    const auto key = std::make_pair(path, faceIndex);
    if (auto it = cache.faces.find(key); it != cache.faces.end()) {
        ++it->second->references;
        return it->second.get();
    }

    const FontFileStream* stream = mapFile(cache, path);
    if (!stream) {
        dropCacheWhenEmpty();
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(ft, stream->base, FT_Long(stream->size), faceIndex, &face) != 0 ||
        !FT_IS_SCALABLE(face)) {
        if (face) FT_Done_Face(face);
        unmapFile(cache, path);
        dropCacheWhenEmpty();
        return nullptr;
    }
    auto entry = std::make_unique<ZRFaceEntry>();
    entry->face = face;
    entry->faceIndex = faceIndex;
    entry->path = path;
    entry->references = 1;
    ZRFaceEntry* result = entry.get();
    cache.faces.emplace(key, std::move(entry));
    return result;
}

void releaseFace(ZRFaceEntry* entry) {
    if (!entry || !g_cache || --entry->references > 0) return;
    const auto key = std::make_pair(entry->path, entry->faceIndex);
    const QString path = entry->path;
    FT_Done_Face(entry->face);
    g_cache->faces.erase(key);
    unmapFile(*g_cache, path);
    dropCacheWhenEmpty();
}

const ZRKernTable* faceKerning(ZRFaceEntry* entry) {
    if (!entry) return nullptr;
    if (!entry->kerningRead) {
        entry->kerningRead = true;
        FT_ULong length = 0;
        if (FT_Load_Sfnt_Table(entry->face, TTAG_kern, 0, nullptr, &length) == 0 && length > 0) {
            std::vector<uint8_t> table;
            try {
                table.resize(length);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
            ZRKernTable& kerning = entry->kerning;
            if (FT_Load_Sfnt_Table(entry->face, TTAG_kern, 0, table.data(), &length) == 0 &&
                kerning.readDirectory(table) == ZRKernTable::kOk) {
                if (kerning.loadSubtable(0, table) == ZRKernTable::kOk &&
                    kerning.subtables()[0].version == 0)
                    entry->hasKerning = true;
                else
                    kerning.release();
            }
        }
    }
    return entry->hasKerning ? &entry->kerning : nullptr;
}

int openFaceCount() {
    return g_cache ? int(g_cache->faces.size()) : 0;
}
int mappedFileCount() {
    return g_cache ? int(g_cache->files.size()) : 0;
}

} // namespace fonts
