#pragma once

#include "classes/widgets/ZRFrame.h"
#include "output/ZRExportProfiles.h"

#include <QString>

class IZRPos;
class IZRTimeline;
class QDoubleValidator;
class QIntValidator;
class ZRComboBox;
class ZRLabel;
class ZRPushButton;

/// The produce page, for now its profile area: the ten profile combo boxes (profile, video
/// codec, frame rate, width, height, audio compression, sample rate, channels, maximum and
/// average MPEG bit rate) with their validators, Save and Delete, over the profile list
/// (`ZRExportProfiles`) stored in "clipstead.ini".
///
/// Only user actions write settings back: while the page fills a box it blocks the box's
/// signals. Edits of a built-in profile derive a user profile first. An edit is stored only
/// when its validator accepts it. GUI thread only.
class ZRExportView : public ZRFrame {
    Q_OBJECT

public:
    /// The keys of "General Settings" the page reads and writes.
    static constexpr const char* kMaxBitrateKey = "MPEGMaxBitrate";
    static constexpr const char* kAvgBitrateKey = "MPEGAvgBitrate";
    static constexpr const char* kWarningOffKey = "ExportDiscwrightCheckBox";

    /// What a render is given for the current profile (`applyExportSettings`).
    struct ExportTarget {
        QString formatName;         ///< "AVI", "AVI-DV Multifile", "MPEG"; empty for other ids
        QString filter;             ///< the file dialog's filter, translated
        QString extension;          ///< without the dot
        bool settingsSaved = false; ///< false: the module file could not be written
    };

    explicit ZRExportView(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags flags = {});
    ~ZRExportView() override;

    /// Keeps the engine timeline (not owned; a second call is ignored), fills the list with
    /// the built-in and the stored profiles, takes the stored bit rates and selects entry 0.
    virtual void setTimeline(IZRTimeline* timeline);
    /// Called once per exported frame; may request a stop through the state object.
    virtual void exportProgress(IZRPos* position, bool recompressing);
    /// Selects the profile of the state object's output format and TV standard: format 0 DV
    /// (position 1 PAL, 2 NTSC), 1 VCD (3, 4), 2 S-VCD (5, 6), 3 DVD (7, 8), 4 multimedia (0);
    /// any other format keeps the current position. Then `slotFormatActivated` runs on it.
    virtual void selectChosenProfile();
    /// Copies mark-in, mark-out and position from the state object.
    virtual void syncMarksFromTimeline();

    /// Appends the nine built-in profiles to the list and the profile box.
    virtual void createBuiltInProfiles();
    /// Appends one profile that is not the user's to the list and the profile box.
    virtual void addBuiltInProfile(const QString& name, const QString& videoCodec,
                                   const QString& audioCodec, int width, int height, double fps,
                                   int sampleRate, int channels, int formatId, bool saved);
    /// Appends the profiles stored in the settings file to the list and the profile box.
    virtual void readProfiles();
    /// Writes the saved profiles to the settings file and saves it; false (after a status-bar
    /// message) when the file could not be written.
    virtual bool writeProfiles();

    /// Applies the current profile's export settings: for AVI the two compressor names to the
    /// engine; for AVI-DV Multifile and MPEG the module groups of "tmp_modules.ini"
    /// (`modulesettings::write`). Without a current profile: an empty target, not saved.
    virtual ExportTarget applyExportSettings();

    /// The profile list.
    const ZRExportProfiles& profiles() const { return m_profiles; }
    /// The current profile; null before one is selected. A render refuses one whose `check()`
    /// fails.
    const ExportProfile* currentProfile() const;
    int currentProfileIndex() const { return m_current; }

    /// The profile area's boxes and buttons, by their role.
    ZRComboBox* profileBox() const { return m_profileBox; }
    ZRComboBox* videoCodecBox() const { return m_videoCodecBox; }
    ZRComboBox* frameRateBox() const { return m_frameRateBox; }
    ZRComboBox* widthBox() const { return m_widthBox; }
    ZRComboBox* heightBox() const { return m_heightBox; }
    ZRComboBox* audioCodecBox() const { return m_audioCodecBox; }
    ZRComboBox* sampleRateBox() const { return m_sampleRateBox; }
    ZRComboBox* channelsBox() const { return m_channelsBox; }
    ZRComboBox* maxBitrateBox() const { return m_maxBitrateBox; }
    ZRComboBox* avgBitrateBox() const { return m_avgBitrateBox; }
    ZRPushButton* saveButton() const { return m_saveButton; }
    ZRPushButton* deleteButton() const { return m_deleteButton; }

public Q_SLOTS:
    virtual void slotFormatActivated(int index);
    virtual void slotCodecActivated(int index);
    /// Empty: the value arrives through `slotFpsChanged`.
    virtual void slotFrameRateActivated(const QString& text);
    /// Empty: the value arrives through `slotWidthChanged`.
    virtual void slotWidthActivated(const QString& text);
    /// Empty: the value arrives through `slotHeightChanged`.
    virtual void slotHeightActivated(const QString& text);
    virtual void slotCompressionActivated(int index);
    /// Empty: the value arrives through `slotSamplerateChanged`.
    virtual void slotSampleRateActivated(int index);
    virtual void slotChannelsActivated(int index);
    virtual void slotMaxBitrateActivated(int index);
    virtual void slotAvgBitrateActivated(int index);
    virtual void slotSaveClicked();
    virtual void slotDeleteClicked();
    virtual void slotWidthChanged(const QString& text);
    virtual void slotHeightChanged(const QString& text);
    virtual void slotFpsChanged(const QString& text);
    virtual void slotSamplerateChanged(const QString& text);
    virtual void slotMaxBitrateChanged(const QString& text);
    virtual void slotAvgBitrateChanged(const QString& text);
    /// Return in the profile name: renames a user profile; a refused name puts the old one back.
    virtual void slotUpdateFormat();
    /// Empty: Return in the frame rate changes nothing beyond the typed value.
    virtual void slotUpdateFrameRate();
    virtual void slotUpdateMaxBitrate();
    virtual void slotUpdateAvgBitrate();
    /// Empty: Return in the width changes nothing beyond the typed value.
    virtual void slotUpdateWidth();
    /// Empty: Return in the height changes nothing beyond the typed value.
    virtual void slotUpdateHeight();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    enum class Edit { Width, Height, Fps, SampleRate, Channels };

    ZRComboBox* makeBox(bool editable, const char* name, const QString& toolTip);
    void setProfileBoxEditable(bool editable);
    void fillCodecLists(ExportProfile& profile);
    /// The profile an edit goes to: the current one, or a profile derived from a built-in one.
    ExportProfile* editTarget();
    void deriveProfile();
    void applyEdit(Edit edit, const QString& text);
    void commitMaximum();
    void commitAverage();
    void showBitrates(const QString& maximum, const QString& average, int beeps);
    void layoutProfileArea();

    IZRTimeline* m_timeline = nullptr;
    ZRExportProfiles m_profiles;
    int m_current = -1;
    bool m_committing = false;

    ZRComboBox* m_profileBox;
    ZRComboBox* m_videoCodecBox;
    ZRComboBox* m_frameRateBox;
    ZRComboBox* m_widthBox;
    ZRComboBox* m_heightBox;
    ZRComboBox* m_audioCodecBox;
    ZRComboBox* m_sampleRateBox;
    ZRComboBox* m_channelsBox;
    ZRComboBox* m_maxBitrateBox;
    ZRComboBox* m_avgBitrateBox;
    ZRPushButton* m_saveButton;
    ZRPushButton* m_deleteButton;
    QIntValidator* m_sizeValidator;
    QDoubleValidator* m_fpsValidator;
    QIntValidator* m_sampleRateValidator;
    QIntValidator* m_bitrateValidator;
    std::vector<ZRLabel*> m_labels; ///< label, box pairs in `layoutProfileArea` order
};
