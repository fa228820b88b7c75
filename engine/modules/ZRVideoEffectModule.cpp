#include "engine/modules/ZRVideoEffectModule.h"

#include "engine/modules/ZRImageRecord.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

std::mutex& moduleTreeMutex() {
    static std::mutex mutex;
    return mutex;
}

// A tree is the module's: a list that loops or runs on for ever must not hang the engine.
constexpr int kMaxSettingNodes = 10000;

// Calls `visit` for every item of the tree in order.
template <class Visit> void forEachItem(ZRSettingTree* tree, Visit&& visit) {
    if (!tree) return;
    int nodes = 0;
    for (ZRSettingGroup* group = tree->firstGroup; group && nodes < kMaxSettingNodes;
         group = group->next, ++nodes) {
        for (ZRSettingItem* item = group->firstItem; item && nodes < kMaxSettingNodes;
             item = item->next, ++nodes)
            visit(*item);
    }
}

std::string text(const char* array, size_t size) {
    return std::string(array, strnlen(array, size));
}

} // namespace

bool ZRVideoEffectModule::bind(const QString& path) {
    if (!load(path)) return false;
    m_generate = resolve<ZRGenerateVideoEffectFunction>("generateVideoEffect");
    if (!m_generate) unload();
    return m_generate != nullptr;
}

bool ZRVideoEffectModule::takeInfo(const ZRModuleInfo* info) {
    if (!info) return false;
    m_name = text(info->name, sizeof info->name);
    m_description = text(info->description, sizeof info->description);
    m_effectFlags = info->effectFlags;
    return true;
}

bool ZRVideoEffectModule::queryInfo(int32_t language, ZRStringLookup lookup) {
    if (!m_info) return false;
    const ZRModuleInfo* info = nullptr;
    guarded(__LINE__, "moduleInfo20", [&] { info = m_info(language, lookup); });
    return takeInfo(info);
}

bool ZRVideoEffectModule::bindGUI(int32_t language) {
    if (!m_generate) return false;
    m_gui = resolve<ZRModuleGUIFunction>("moduleGUI20");
    m_setResult = resolve<ZRSetModuleGUIResultFunction>("setModuleGUIResult20");
    m_info = resolve<ZRModuleInfoFunction>("moduleInfo20");
    if (!m_info) return false;
    queryInfo(language, nullptr);

    std::lock_guard locker(moduleTreeMutex());
    m_tree = nullptr;
    if (m_gui) guarded(__LINE__, "moduleGUI20", [&] { m_tree = m_gui(language, nullptr); });
    packSettings();
    return true;
}

void ZRVideoEffectModule::packSettings() {
    m_blob.clear();
    forEachItem(m_tree, [this](const ZRSettingItem& item) {
        m_blob.push_back(item.id);
        m_blob.push_back(item.value);
        if (item.flags & ZR_SETTING_EXTRA)
            m_blob.insert(m_blob.end(), item.extra, item.extra + ZR_SETTING_EXTRA_WORDS);
    });
}

// An item whose id is not next in the blob keeps its value, and the blob moves on by one pair:
// a blob packed from a slightly different tree still lines up again.
void ZRVideoEffectModule::unpackSettings() {
    size_t at = 0;
    forEachItem(m_tree, [this, &at](ZRSettingItem& item) {
        if (at + 2 > m_blob.size()) return;
        if (m_blob[at] != item.id) {
            at += 2;
            return;
        }
        item.value = m_blob[at + 1];
        at += 2;
        if (!(item.flags & ZR_SETTING_EXTRA)) return;
        const size_t n = std::min<size_t>(ZR_SETTING_EXTRA_WORDS, m_blob.size() - at);
        std::copy_n(m_blob.begin() + ptrdiff_t(at), n, item.extra);
        at += n;
    });
}

int32_t ZRVideoEffectModule::generate(ZRImageRecord* input, ZRImageRecord* output,
                                      int32_t progress) {
    if (!m_generate) return 0;
    std::lock_guard locker(moduleTreeMutex());
    unpackSettings();
    if (m_setResult) guarded(__LINE__, "setModuleGUIResult20", [&] { m_setResult(); });
    int32_t result = 0;
    guarded(__LINE__, "generateVideoEffect", [&] { result = m_generate(input, output, progress); });
    return result;
}

int32_t ZRVideoEffectModule::generateVideoEffect(IZRImage* source, IZRImage* target,
                                                 int32_t progress) {
    if (!source || !target) return 0;
    ZRImageRecord in = zrImageRecord(source);
    ZRImageRecord out = zrImageRecord(target);
    return generate(&in, &out, progress);
}
