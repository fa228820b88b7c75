#pragma once

#include "classes/skins/PSDLayer.h"
#include "classes/widgets/QSBWidget.h"

#include <cstdint>
#include <mutex>

class IZRPos;

/// Shows a timecode hh:mm:ss.ff with glyph images from a flat skin ("timecode": layers named
/// "0" to "9", ":" and "."), drawn over the skin background; a disabled widget shows the
/// background alone. Hours and frames show at most 99, minutes and seconds at most 59.
///
/// The four fields are guarded by the widget's own mutex, held while painting. The setters
/// schedule a repaint and so belong to the GUI thread: other threads reach them through queued
/// signals.
class ZRTCWidget : public QSBWidget {
    Q_OBJECT
public:
    /// `glyphs` is borrowed; missing glyphs draw nothing but still advance the pen by 1.
    explicit ZRTCWidget(QDict<PSDLayer>* glyphs, QWidget* parent = nullptr,
                        const char* name = nullptr, Qt::WindowFlags flags = {});

    /// The fields as shown: hours, minutes, seconds, frames.
    struct Fields {
        uint8_t hours, minutes, seconds, frames;
    };
    Fields fields() const;

public Q_SLOTS:
    /// The position's fields, capped (negative fields show 0).
    virtual void setTimeCode(IZRPos* position);
    /// Packed decimal, one byte per field from the top: hours, minutes, seconds, frames.
    virtual void setTimeCode(uint32_t packed);
    void setTimeCode(uint32_t hours, uint32_t minutes, uint32_t seconds);
    /// Seconds beyond 59 carry into minutes, minutes beyond 59 into hours; frames do not carry.
    virtual void setTimeCode(uint32_t hours, uint32_t minutes, uint32_t seconds, uint32_t frames);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    enum { Colon = 10, Dot = 11, GlyphCount = 12 };

    void store(uint64_t hours, uint64_t minutes, uint64_t seconds, uint64_t frames);

    const QImage* m_glyphs[GlyphCount] = {};
    QRect m_glyphRects[GlyphCount];
    uint8_t m_frames = 0;
    uint8_t m_seconds = 0;
    uint8_t m_minutes = 0;
    uint8_t m_hours = 0;
    mutable std::mutex m_lock;
};
