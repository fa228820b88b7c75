#include "engine/modules/ZRTransitionModule.h"

#include "engine/modules/ZRImageRecord.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <mutex>

namespace {

// Modules keep one settings record each for all the objects that use them: writing it and
// rendering with it must not interleave between binders.
std::mutex& moduleRecordMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string text(const char* array, size_t size) {
    return std::string(array, strnlen(array, size));
}

bool isKey(const char* key, const char* name) {
    return key && qstricmp(key, name) == 0;
}

} // namespace

bool ZRTransitionModule::bind(const QString& path) {
    if (!load(path)) return false;
    m_generate = resolve<ZRGenerateTransitionFunction>("generateTransition");
    if (!m_generate) unload();
    return m_generate != nullptr;
}

bool ZRTransitionModule::takeInfo(const ZRModuleInfo* info) {
    if (!info) return false;
    m_name = text(info->name, sizeof info->name);
    m_description = text(info->description, sizeof info->description);
    return true;
}

bool ZRTransitionModule::bindGUI(int32_t language) {
    if (!m_generate) return false;
    m_info = resolve<ZRModuleInfoFunction>("moduleInfo20");
    m_customConfig = resolve<ZRCustomTransitionConfigFunction>("customTransitionConfig");
    m_gui = resolve<ZRTransitionGUIFunction>("transitionGUI");
    m_setGui = resolve<ZRSetTransitionGUIFunction>("setTransitionGUI");
    m_resetGui = resolve<ZRResetTransitionGUIFunction>("resetTransitionGUI");
    if (m_info) queryInfo(language, nullptr);

    std::lock_guard locker(moduleRecordMutex());
    if (m_resetGui) guarded(__LINE__, "resetTransitionGUI", [&] { m_resetGui(); });
    ZRTransitionSettings* record = nullptr;
    if (m_gui) guarded(__LINE__, "transitionGUI", [&] { record = m_gui(); });
    m_copy = SettingsCopy{};
    m_moduleRecord = record;
    if (record) {
        m_copy.record = *record;
        if (!m_customConfig) m_copy.record.customConfigWord = 0;
        m_copy.record.customConfig = nullptr;
    }
    return true;
}

bool ZRTransitionModule::queryInfo(int32_t language, ZRStringLookup lookup) {
    if (!m_info) m_info = resolve<ZRModuleInfoFunction>("moduleInfo20");
    if (!m_info) return false;
    const ZRModuleInfo* info = nullptr;
    guarded(__LINE__, "moduleInfo20", [&] { info = m_info(language, lookup); });
    return takeInfo(info);
}

void ZRTransitionModule::generate(ZRImageRecord* first, ZRImageRecord* second,
                                  ZRImageRecord* output, int32_t progress) {
    if (!m_generate) return;
    std::lock_guard locker(moduleRecordMutex());
    if (m_moduleRecord && m_moduleRecord != &m_copy.record) {
        if (m_copy.record.customConfigWord != 0) m_copy.record.customConfig = m_copy.custom;
        *m_moduleRecord = m_copy.record;
        if (m_setGui) guarded(__LINE__, "setTransitionGUI", [&] { m_setGui(); });
    }
    guarded(__LINE__, "generateTransition", [&] { m_generate(first, second, output, progress); });
}

void ZRTransitionModule::generateTransition(IZRImage* from, IZRImage* to, IZRImage* out,
                                            int32_t progress) {
    if (!from || !to || !out) return;
    ZRImageRecord a = zrImageRecord(from);
    ZRImageRecord b = zrImageRecord(to);
    ZRImageRecord c = zrImageRecord(out);
    generate(&a, &b, &c, progress);
}

// The keys the module offers, by the bits of its record's first word.
bool ZRTransitionModule::parameter(const char* key, int* values, int count) {
    const ZRTransitionSettings& s = m_copy.record;
    if (!values || !hasSettings()) return false;
    auto answer = [&](std::initializer_list<int> v) {
        if (count < int(v.size())) return false;
        std::copy(v.begin(), v.end(), values);
        return true;
    };
    if (isKey(key, "Transition AntiAlias") && (s.offers & ZR_TRANSITION_ANTIALIAS))
        return answer({s.antiAlias});
    if (isKey(key, "Transition Filter") && (s.offers & ZR_TRANSITION_FILTER))
        return answer({s.filter});
    if (isKey(key, "Transition Color Mode") && (s.offers & ZR_TRANSITION_COLOR))
        return answer({s.colorMode});
    if (isKey(key, "Transition Pen Width") && s.colorMode == 3) return answer({s.penWidth});
    if (isKey(key, "Transition SubDivision") && (s.offers & ZR_TRANSITION_SUBDIVISION))
        return answer({s.subDivision[0], s.subDivision[1]});
    if (isKey(key, "Transition Color") && (s.offers & ZR_TRANSITION_COLOR))
        return answer({s.color[0], s.color[1], s.color[2]});
    return false;
}

bool ZRTransitionModule::setParameter(const char* key, const int* values, int count) {
    ZRTransitionSettings& s = m_copy.record;
    if (!values || !hasSettings()) return false;
    if (isKey(key, "Transition AntiAlias") && (s.offers & ZR_TRANSITION_ANTIALIAS) && count >= 1) {
        s.antiAlias = values[0];
        return true;
    }
    if (isKey(key, "Transition Filter") && (s.offers & ZR_TRANSITION_FILTER) && count >= 1) {
        s.filter = values[0];
        return true;
    }
    if (isKey(key, "Transition Pen Width") && s.colorMode == 3 && count >= 1) {
        s.penWidth = values[0];
        return true;
    }
    if (isKey(key, "Transition SubDivision") && (s.offers & ZR_TRANSITION_SUBDIVISION) &&
        count >= 2) {
        s.subDivision[0] = values[0];
        s.subDivision[1] = values[1];
        return true;
    }
    if (isKey(key, "Transition Color") && (s.offers & ZR_TRANSITION_COLOR) && count >= 3) {
        for (int i = 0; i < 3; ++i)
            s.color[i] = uint8_t(values[i] & 0xFF);
        s.color[3] = 255;
        return true;
    }
    return false;
}
