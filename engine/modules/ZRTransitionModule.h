#pragma once

#include "engine/api/zrplugin.h"
#include "engine/base/ZRObjectBindings.h"
#include "engine/modules/ZRModuleBinder.h"

#include <string>

/// A transition module bound for one transition object: `generateTransition`, the module's name
/// texts, and the object's own copy of the module's settings record, which the "Transition ..."
/// settings keys edit and which goes over the module's record before every frame.
/// Thread-safety: one owner thread at a time (the render lock); because a module keeps one record
/// for all objects, writing it and rendering run under one lock shared by all transition binders.
class ZRTransitionModule final : public ZRModuleBinder, public ZRTransitionBinding {
public:
    /// Loads the module and binds `generateTransition`; false (nothing loaded) when either fails.
    bool bind(const QString& path);
    /// Binds the information and settings entries: takes the name texts from
    /// `moduleInfo20(language, null)`, resets the module's settings and copies its record.
    /// False when the module is not bound.
    bool bindGUI(int32_t language);
    /// Reads the name texts again with a string lookup; false when the module gives none.
    bool queryInfo(int32_t language, ZRStringLookup lookup);

    const std::string& name() const { return m_name; }
    const std::string& description() const { return m_description; }
    /// True when the module answered a settings record.
    bool hasSettings() const { return m_moduleRecord != nullptr; }
    /// The object's copy of the settings record (zero without settings).
    ZRTransitionSettings& settings() { return m_copy.record; }

    /// Renders `output` from `first` going to `second` at `progress` 0..10000.
    void generate(ZRImageRecord* first, ZRImageRecord* second, ZRImageRecord* output,
                  int32_t progress);

    // ZRTransitionBinding
    void generateTransition(IZRImage* from, IZRImage* to, IZRImage* out, int32_t progress) override;
    bool parameter(const char* key, int* values, int count) override;
    bool setParameter(const char* key, const int* values, int count) override;

protected:
    const char* sourceName() const override { return "ZRTransitionModule"; }

private:
    bool takeInfo(const ZRModuleInfo* info);

    // The copy handed to the module, followed by the custom block its pointer may point at.
    struct SettingsCopy {
        ZRTransitionSettings record;
        unsigned char custom[ZR_TRANSITION_CUSTOM_BYTES];
    };

    ZRGenerateTransitionFunction m_generate = nullptr;
    ZRModuleInfoFunction m_info = nullptr;
    ZRCustomTransitionConfigFunction m_customConfig = nullptr;
    ZRTransitionGUIFunction m_gui = nullptr;
    ZRSetTransitionGUIFunction m_setGui = nullptr;
    ZRResetTransitionGUIFunction m_resetGui = nullptr;
    ZRTransitionSettings* m_moduleRecord = nullptr;
    SettingsCopy m_copy{};
    std::string m_name;
    std::string m_description;
};
