#pragma once

#include "engine/api/zrplugin.h"
#include "engine/base/ZRObjectBindings.h"
#include "engine/modules/ZRModuleBinder.h"

#include <string>
#include <vector>

/// A video-effect module bound for one effect: `generateVideoEffect`, the module's name texts,
/// and the effect's own settings blob: for every item of the module's settings tree, in tree
/// order, its id and value, then its ten extra words when it carries them. The blob is written
/// into the tree before every frame.
/// Thread-safety: one owner thread at a time (the render lock); because a module keeps one tree
/// for all effects, writing it and rendering run under one lock shared by all effect binders.
class ZRVideoEffectModule final : public ZRModuleBinder, public ZRVideoEffectBinding {
public:
    /// Loads the module and binds `generateVideoEffect`; false (nothing loaded) when either fails.
    bool bind(const QString& path);
    /// Binds `moduleInfo20` (required: false without it), `moduleGUI20` and
    /// `setModuleGUIResult20`; takes the name texts and the effect flags, fetches the settings
    /// tree (a module may answer none) and packs its values into the blob.
    bool bindGUI(int32_t language);
    /// Reads the name texts again with a string lookup; false when the module gives none.
    bool queryInfo(int32_t language, ZRStringLookup lookup);

    const std::string& name() const { return m_name; }
    const std::string& description() const { return m_description; }
    int32_t effectFlags() const { return m_effectFlags; }
    /// The effect's settings, as packed from the module's tree (empty without a tree).
    std::vector<int32_t>& settingsBlob() { return m_blob; }

    /// Writes the blob into the tree, tells the module, and renders `output` from `input` at
    /// `progress` 1..100000; the module's result (0 when it failed).
    int32_t generate(ZRImageRecord* input, ZRImageRecord* output, int32_t progress);

    // ZRVideoEffectBinding
    int32_t generateVideoEffect(IZRImage* source, IZRImage* target, int32_t progress) override;

protected:
    const char* sourceName() const override { return "ZRVideoEffectModule"; }

private:
    bool takeInfo(const ZRModuleInfo* info);
    void packSettings();
    void unpackSettings();

    ZRGenerateVideoEffectFunction m_generate = nullptr;
    ZRModuleGUIFunction m_gui = nullptr;
    ZRSetModuleGUIResultFunction m_setResult = nullptr;
    ZRModuleInfoFunction m_info = nullptr;
    ZRSettingTree* m_tree = nullptr;
    std::vector<int32_t> m_blob;
    std::string m_name;
    std::string m_description;
    int32_t m_effectFlags = 0;
};
