#pragma once

#include <QDialog>

/// The modal choice of a new project's output format and TV standard, and the frame values they
/// give. Stand-in with the choice and its results; the skinned dialog comes with production.
/// GUI thread only.
class ZRProfileDialog : public QDialog {
    Q_OBJECT

public:
    enum Profile { DV = 0, VCD = 1, SVCD = 2, DVD = 3, Multimedia = 4 };

    explicit ZRProfileDialog(QWidget* parent = nullptr, const char* name = "zrprofiledialog",
                             Qt::WindowFlags flags = {});

    /// The chosen format index.
    int profile() const { return m_profile; }
    /// 1 NTSC, 0 PAL.
    int standard() const { return m_standard; }
    int frameWidth() const { return m_width; }
    int frameHeight() const { return m_height; }
    double frameRate() const { return m_rate; }
    int sampleRate() const { return m_sampleRate; }

public Q_SLOTS:
    /// Selects a format and computes its frame values; an index outside 0..4 is stored alone.
    void slotSetProfile(int profile);
    /// 1 NTSC, anything else PAL; the frame values follow.
    void slotSetStandard(int standard);

private:
    int m_profile = 0;
    int m_standard = 1;
    int m_width = 0;
    int m_height = 0;
    double m_rate = 0.0;
    int m_sampleRate = 0;
};
