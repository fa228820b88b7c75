// The settings by key name of a timeline object: overlay, title text, transition and channel
// values. Each key is served by one typed pair of operations; a key asked through another type,
// a key whose condition the object does not meet (video, title font data, transition module)
// and a value out of range all answer false and change nothing.
#include "engine/objects/ZRObject.h"

#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRKeyYuv.h"

#include <QByteArray>

#include <cmath>
#include <limits>
#include <utility>

namespace {

bool is(const char* key, const char* name) {
    return key && qstricmp(key, name) == 0;
}

bool startsWith(const char* key, const char* prefix) {
    return key && qstrnicmp(key, prefix, qstrlen(prefix)) == 0;
}

bool validChannel(int channel) {
    return channel >= 1 && channel <= ZRObject::kChannels;
}

bool validColor(int a, int b, int c) {
    return a >= 0 && a <= 255 && b >= 0 && b <= 255 && c >= 0 && c <= 255;
}

// Alignment as the settings give it (0 left, 1 centred, 2 right) and as the font data keeps it.
constexpr int kAlignments[] = {1, 2, 4};

using Overlay = ZRObject::Overlay;
constexpr std::pair<const char*, int32_t Overlay::*> kOverlayIntKeys[] = {
    {"Overlay Mode", &Overlay::mode},          {"Overlay Match", &Overlay::match},
    {"Overlay Opacity", &Overlay::opacity},    {"Overlay Smooth", &Overlay::smooth},
    {"Overlay Fade Time", &Overlay::fadeTime}, {"Overlay Fade In", &Overlay::fadeIn},
    {"Overlay Fade Out", &Overlay::fadeOut},
};

// Title integers kept as they are given. The placement keys take the placement rules (0..4).
constexpr std::pair<const char*, int ZRFontData::*> kTextIntKeys[] = {
    {"Text AntiAlias", &ZRFontData::antiAlias},
    {"Text Separator Width", &ZRFontData::charSpacing},
    {"Text Separator Height", &ZRFontData::lineSpacing},
    {"Text Movement", &ZRFontData::movement},
    {"Text StartX Pos", &ZRFontData::startXMode},
    {"Text EndX Pos", &ZRFontData::endXMode},
    {"Text StartY Pos", &ZRFontData::startYMode},
    {"Text EndY Pos", &ZRFontData::endYMode},
    {"Text Opaque Background", &ZRFontData::opaqueBackground},
};

} // namespace

// Every operation holds the owner's render mutex (SettingChange): a frame being composed reads
// these values, and a title's text and font data are replaced only between frames.

// --- Integers ----------------------------------------------------------------

bool ZRObject::getIntSetting(const char* key, int* out) {
    SettingChange change(*this);
    if (!key || !out) return false;
    if (startsWith(key, "Transition ")) {
        if (!m_transition) return false;
        if (is(key, "Transition Direction")) {
            *out = m_transitionDirection;
            return true;
        }
        if (is(key, "Transition AntiAlias") || is(key, "Transition Filter") ||
            is(key, "Transition Color Mode") || is(key, "Transition Pen Width"))
            return m_transition->parameter(key, out, 1);
        return false;
    }
    for (const auto& [name, field] : kOverlayIntKeys) {
        if (!is(key, name)) continue;
        if (!m_hasVideo) return false;
        *out = m_overlay.*field;
        return true;
    }
    if (startsWith(key, "Text ")) {
        if (!m_fontData) return false;
        for (const auto& [name, field] : kTextIntKeys) {
            if (!is(key, name)) continue;
            *out = m_fontData.get()->*field;
            return true;
        }
        if (is(key, "Text Width") || is(key, "Text Height")) {
            *out = is(key, "Text Width") ? m_textBox->width : m_textBox->height;
            return true;
        }
        if (is(key, "Text Alignment")) {
            // A stored value that no setting writes has no key value to answer with.
            for (int i = 0; i < 3; ++i) {
                if (m_fontData->alignment != kAlignments[i]) continue;
                *out = i;
                return true;
            }
        }
        return false;
    }
    // "Video Bitrate", "Audio Bitrate" and "Subformat" come from an import module bound through
    // its own entry points, which no object holds: they answer false like unknown keys.
    return false;
}

bool ZRObject::setIntSetting(const char* key, intptr_t wide) {
    SettingChange change(*this);
    if (!key || wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
        return false;
    const int value = static_cast<int>(wide);

    if (is(key, "Enable Video") || is(key, "Enable Audio")) {
        const bool video = is(key, "Enable Video");
        bool& flag = video ? m_hasVideo : m_hasAudio;
        if (value == 0) {
            flag = false;
            return true;
        }
        if (!m_source || !(video ? m_source->sourceHasVideo() : m_source->sourceHasAudio()))
            return false;
        flag = true;
        return true;
    }

    bool done = false;
    if (startsWith(key, "Transition ")) {
        if (is(key, "Transition Direction")) {
            if (!m_isTransition) return false;
            m_transitionDirection = value;
            done = true;
        } else if (is(key, "Transition AntiAlias") || is(key, "Transition Filter") ||
                   is(key, "Transition Pen Width")) {
            done = m_transition && m_transition->setParameter(key, &value, 1);
        }
    } else if (startsWith(key, "Overlay ")) {
        if (!m_hasVideo) return false;
        if (is(key, "Overlay Mode")) {
            m_overlay.mode = value;
        } else if (is(key, "Overlay Match") || is(key, "Overlay Opacity")) {
            if (value < 0 || value > 100) return false;
            (is(key, "Overlay Match") ? m_overlay.match : m_overlay.opacity) = value;
        } else if (is(key, "Overlay Smooth")) {
            if (value < 0) return false;
            m_overlay.smooth = value;
        } else if (is(key, "Overlay Fade Time")) {
            if (value < 0) return false;
            m_overlay.fadeTime = value;
        } else if (is(key, "Overlay Fade In")) {
            m_overlay.fadeIn = value;
        } else if (is(key, "Overlay Fade Out")) {
            m_overlay.fadeOut = value;
        } else {
            return false;
        }
        done = true;
    } else if (startsWith(key, "Text ")) {
        if (!m_fontData) return false;
        ZRFontData& f = *m_fontData;
        for (const auto& [name, field] : kTextIntKeys) {
            if (is(key, name)) {
                f.*field = value;
                done = true;
            }
        }
        if (is(key, "Text Movement")) {
            f.movementChanged = 1;
        } else if (is(key, "Text Separator Width") || is(key, "Text Separator Height")) {
            remeasureText();
        } else if (is(key, "Text Alignment")) {
            if (value < 0 || value > 2) return false;
            f.alignment = kAlignments[value];
            done = true;
        }
    }
    change.invalidate = done;
    return done;
}

// --- Doubles -----------------------------------------------------------------

bool ZRObject::getDoubleSetting(const char* key, double* out) {
    SettingChange change(*this);
    if (!key || !out || !m_fontData) return false;
    if (is(key, "Text Size Ratio")) {
        *out = m_fontData->sizeRatio;
        return true;
    }
    if (is(key, "Text Safe Frame Size")) {
        *out = m_fontData->safeFrameSize;
        return true;
    }
    // "Framerate" reads an import module bound through its own entry points (see above).
    return false;
}

bool ZRObject::setDoubleSetting(const char* key, double value) {
    SettingChange change(*this);
    if (!key || !m_fontData || !std::isfinite(value)) return false;
    if (is(key, "Text Size Ratio")) {
        if (value <= 0.0) return false;
        m_fontData->sizeRatio = value;
    } else if (is(key, "Text Safe Frame Size")) {
        // The margin of each edge: beyond half the frame no text area would remain.
        if (value < 0.0 || value > 0.5) return false;
        m_fontData->safeFrameSize = static_cast<float>(value);
    } else {
        return false;
    }
    remeasureText();
    return true;
}

bool ZRObject::getIndexedDoubleSetting(const char* key, int* index, double* out) {
    SettingChange change(*this);
    if (!key || !index || !out || !validChannel(*index)) return false;
    if (is(key, "Channel Audio Panning"))
        *out = m_channelPanning[*index - 1];
    else if (is(key, "Channel Audio Level"))
        *out = m_channelLevel[*index - 1];
    else
        return false;
    return true;
}

bool ZRObject::setIndexedDoubleSetting(const char* key, int index, double value) {
    SettingChange change(*this);
    if (!key || !validChannel(index) || !std::isfinite(value)) return false;
    if (is(key, "Channel Audio Panning"))
        m_channelPanning[index - 1] = value;
    else if (is(key, "Channel Audio Level"))
        m_channelLevel[index - 1] = value;
    else
        return false;
    return true;
}

// --- Pairs and triples -------------------------------------------------------

bool ZRObject::getIntPairSetting(const char* key, int* a, int* b) {
    SettingChange change(*this);
    if (!key || !a || !b) return false;
    if (is(key, "Video Dimensions")) {
        if (m_source) return m_source->videoDimensions(a, b);
        if (!m_owner) return false;
        m_owner->videoDimensions(a, b);
        return true;
    }
    if (is(key, "Transition SubDivision")) {
        int values[2];
        if (!m_transition || !m_transition->parameter(key, values, 2)) return false;
        *a = values[0];
        *b = values[1];
        return true;
    }
    if (is(key, "Mute Channel") || is(key, "Invert Channel")) {
        if (!validChannel(*a)) return false;
        const auto& flags = is(key, "Mute Channel") ? m_channelMute : m_channelInvert;
        *b = flags[*a - 1];
        return true;
    }
    return false;
}

bool ZRObject::setIntPairSetting(const char* key, int a, int b) {
    SettingChange change(*this);
    if (!key) return false;
    if (is(key, "Transition SubDivision")) {
        const int values[2] = {a, b};
        if (!m_transition || !m_transition->setParameter(key, values, 2)) return false;
        change.invalidate = true;
        return true;
    }
    if (is(key, "Mute Channel") || is(key, "Invert Channel")) {
        if (!validChannel(a)) return false;
        auto& flags = is(key, "Mute Channel") ? m_channelMute : m_channelInvert;
        flags[a - 1] = b != 0 ? 1 : 0;
        return true;
    }
    return false;
}

bool ZRObject::getIntTripleSetting(const char* key, int* a, int* b, int* c) {
    SettingChange change(*this);
    if (!key || !a || !b || !c) return false;
    if (is(key, "Audio Settings")) {
        // Without a media source there is nothing to describe: false rather than true with the
        // outputs left unset.
        return m_hasAudio && m_source && m_source->audioSettings(a, b, c);
    }
    if (is(key, "Transition Color")) {
        int values[3];
        if (!m_transition || !m_transition->parameter(key, values, 3)) return false;
        *a = values[0];
        *b = values[1];
        *c = values[2];
        return true;
    }
    if (is(key, "Overlay Color")) {
        if (!m_hasVideo) return false;
        *a = m_overlay.red;
        *b = m_overlay.green;
        *c = m_overlay.blue;
        return true;
    }
    if (is(key, "Text Background Color")) {
        if (!m_fontData) return false;
        *a = m_fontData->backgroundRed;
        *b = m_fontData->backgroundGreen;
        *c = m_fontData->backgroundBlue;
        return true;
    }
    return false;
}

bool ZRObject::setIntTripleSetting(const char* key, int a, int b, int c) {
    SettingChange change(*this);
    if (!key) return false;
    if (is(key, "Transition Color")) {
        const int values[3] = {a, b, c};
        if (!m_transition || !validColor(a, b, c) || !m_transition->setParameter(key, values, 3))
            return false;
    } else if (is(key, "Overlay Color")) {
        if (!m_hasVideo || !validColor(a, b, c)) return false;
        const ZRKeyYuv yuv = zrKeyYuv(a, b, c);
        m_overlay.red = a;
        m_overlay.green = b;
        m_overlay.blue = c;
        m_overlay.y = yuv.y;
        m_overlay.u = yuv.u;
        m_overlay.v = yuv.v;
    } else if (is(key, "Text Background Color")) {
        if (!m_fontData || !validColor(a, b, c)) return false;
        m_fontData->backgroundRed = a;
        m_fontData->backgroundGreen = b;
        m_fontData->backgroundBlue = c;
        m_fontData->backgroundAlpha = 255;
        m_fontData->opaqueBackground = 1;
    } else {
        return false;
    }
    change.invalidate = true;
    return true;
}

// --- Texts -------------------------------------------------------------------

bool ZRObject::getStringSetting(const char* key, char** out) {
    SettingChange change(*this);
    if (!key || !out) return false;
    if (is(key, "Importmodule")) {
        m_stringResult = QByteArray(m_subclass.c_str());
    } else if (is(key, "Text Text")) {
        if (!m_fontData) return false;
        m_stringResult = m_fontData->text.toUtf8();
    } else {
        return false;
    }
    *out = m_stringResult.data();
    return true;
}

bool ZRObject::setStringSetting(const char* key, const char* value) {
    SettingChange change(*this);
    if (!is(key, "Text Text") || !m_fontData || !value) return false;
    m_fontData->text = QString::fromUtf8(value);
    m_fontData->textLength = static_cast<int>(m_fontData->text.length());
    remeasureText();
    return true;
}

bool ZRObject::getUnicodeStringSetting(const char* key, const char16_t** out) {
    SettingChange change(*this);
    if (!is(key, "Text Text(U)") || !m_fontData || !out) return false;
    const QString& text = m_fontData->text;
    m_unicodeResult.assign(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    *out = m_unicodeResult.c_str();
    return true;
}

bool ZRObject::setUnicodeStringSetting(const char* key, const char16_t* value) {
    SettingChange change(*this);
    if (!is(key, "Text Text(U)") || !m_fontData || !value) return false;
    m_fontData->text = QString::fromUtf16(value);
    m_fontData->textLength = static_cast<int>(m_fontData->text.length());
    remeasureText();
    return true;
}

// --- Timeline-only operations ------------------------------------------------

bool ZRObject::getFadeFactor(const char*, double*, double*, double*, double*) {
    return false;
}
bool ZRObject::getTrackChannelDoubleSetting(const char*, int*, unsigned*, double*) {
    return false;
}
bool ZRObject::addFadePoint(const char*, double, double) {
    return false;
}
bool ZRObject::setTrackChannelDoubleSetting(const char*, int, unsigned, double) {
    return false;
}
