#pragma once

#include "browser/ZRTextPreview.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QColor>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QTimer>

class IZRImage;
class IZRObject;
class IZRPos;
class IZRSettings;
class IZRTimeline;
class QAbstractButton;
class QButtonGroup;
class QTextEdit;
class QWidget;
class ZRBrowserTitlesBrowser;
class ZRComboBox;
class ZRIconViewItem;
class ZRPushButton;
class ZRTabBar;
class ZRTitleIconItem;

/// The title editor of the media browser panel (tab 1 of its titles tab bar; tab 0 shows the
/// titles browser it creates beside itself). It never draws text: it writes the settings of a
/// "2D-Text" engine object from its controls and has the engine render the title into a preview
/// laid over the main window's preview frame (`ZRAppState::previewFrame`).
///
/// It owns a scratch title, edited while a new title is designed; "Save Title" hands a copy to
/// the titles browser. A double-clicked title is edited in place instead. The page owns the
/// scratch object, the preview position and image and the text preview; the engine, the tab bar
/// and the titles browser's items are borrowed. Inert until `attachProject`; the engine must
/// outlive the page. GUI thread only.
class ZRBrowserTitlesView : public QSBWidget {
    Q_OBJECT
public:
    /// Screen-position names; the grid shows the "animator" picture of the name.
    static constexpr int kPreviewInterval = 30;
    /// The fade time and duration limits, milliseconds.
    static constexpr int kMaxFadeTime = 20000;
    static constexpr int kMinDuration = 1;
    static constexpr int kMaxDuration = 100000;
    static constexpr int kDefaultDuration = 3000;

    /// `tabBar` (borrowed, may be null) is the panel's titles tab bar. The titles browser is
    /// made with the same parent as the page.
    explicit ZRBrowserTitlesView(ZRTabBar* tabBar, QWidget* parent = nullptr,
                                 const char* name = "TitlesView");
    /// Destroys the scratch object, the preview image and position and the text preview.
    ~ZRBrowserTitlesView() override;

    /// Binds the page to the project engine (once): the titles browser loads its titles, the
    /// scratch object, preview position and text preview are made, the font list filled and the
    /// defaults applied.
    void attachProject(IZRTimeline* engine);
    /// The panel's shared tool buttons (borrowed, any may be null), disabled while the page
    /// shows and handed to the titles browser.
    void setToolButtons(QAbstractButton* newFolder, QAbstractButton* copy, QAbstractButton* paste,
                        QAbstractButton* remove);

    ZRBrowserTitlesBrowser* titlesBrowser() const { return m_browser; }
    ZRTextPreview* textPreview() const { return m_textPreview; }
    IZRObject* scratchObject() const { return m_scratch; }
    IZRObject* editedObject() const { return m_edited; }
    ZRIconViewItem* editingItem() const;
    ZRIconViewItem* refreshItem() const;
    IZRImage* previewImage() const { return m_image; }
    IZRPos* previewPosition() const { return m_pos; }
    bool isPreviewRunning() const { return m_timer.isActive(); }
    bool isPreviewSuppressed() const { return m_suppressed; }
    bool isEditorTabActive() const { return m_editorTab; }
    QString positionName() const { return m_positionName; }
    bool isOnScreen() const { return m_onScreen; }
    QString fontFamily() const { return m_family; }
    int fontSize() const { return m_size; }
    QColor textColor() const { return m_textColor; }
    QColor backgroundColor() const { return m_backgroundColor; }

    /// The controls, by what they drive.
    enum Control {
        FontCombo,
        SizeCombo,
        KerningCombo,
        LineCombo,
        FadeTimeCombo,
        DurationCombo,
        AlignLeft,
        AlignCentre,
        AlignRight,
        FillToggle,
        ScrollToggle,
        StartToggle,
        EndToggle,
        FadeToggle,
        FadeInToggle,
        FadeOutToggle,
        PreviewButton,
        SaveToDiskButton,
        ResetButton,
        SaveTitleButton,
        TextColourSwatch,
        BackgroundSwatch,
        PositionGrid,
        ScreenPicture
    };
    QWidget* control(Control which) const;
    QTextEdit* textEdit() const { return m_text; }

public Q_SLOTS:
    void setTextObject(IZRObject* object);
    void adjustGUIToObject(IZRObject* object);
    void alignmentChanged(int id);
    void fontChanged(const QString& family);
    void fontSizeChanged(const QString& text);
    void fontKerningChanged(const QString& text);
    void fontLineHeightChanged(const QString& text);
    void foregroundColorToggled(bool on);
    void backgroundColorToggled(bool on);
    void animStateToggled(bool on);
    void animStartToggled(bool on);
    void animEndToggled(bool on);
    void fadeToggled(bool on);
    void fadeInToggled(bool on);
    void fadeOutToggled(bool on);
    void fadeDurationSelected();
    void fadeDurationSelected(const QString& text);
    void durationSelected();
    void durationSelected(const QString& text);
    void textChanged();
    void previewClicked();
    void preview();
    void saveClicked();
    void resetClicked();
    void confirmClicked();
    void browseTabBarSelected(int id);
    void browserItemDClicked(ZRIconViewItem* item);
    void browserItemClicked(ZRIconViewItem* item);
    /// Renders the edited title into the preview image and has the text preview show it.
    void generatePreview(const QRegion& region);
    /// Writes the position name and on-screen flag as start (or, with the end toggle on, end)
    /// codes of `object`, then regenerates the preview.
    void setObjectTextPosition(IZRObject* object);
    void slotTextObjectDeleted(IZRObject* object);
    void hideAllPreviews();

public:
    /// Presses on the swatches, the position grid and the on/off picture.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void composeBackground(int x, int y, int w, int h) override;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildControls();
    void placeControls();
    void applyTitleDefaults(IZRObject* object);
    void updateTextMarkup();
    void updatePositionWidgets();
    void fitDurationToFades();
    void previewWhole();
    void selectFamily(const QString& family);
    void selectSize(int size);
    void showColour(QWidget* swatch, const QColor& colour);
    void pickTextColour();
    void pickBackgroundColour();
    void recreatePreviewImage();
    void placeTextPreview();
    void setPreviewButtonText(const QString& text);
    void enablePreviewButton();
    int fadeMultiple() const;
    int objectInt(const char* key, int fallback = 0) const;
    void setObjectInt(const char* key, int value);
    int durationMs() const;
    void setDurationMs(int ms);
    ZRTitleIconItem* liveItem(ZRTitleIconItem* item) const;
    QRegion previewRegion() const;

    ZRTabBar* m_tabBar;
    ZRBrowserTitlesBrowser* m_browser = nullptr;
    ZRSkinBox m_frame;
    IZRTimeline* m_engine = nullptr;
    IZRObject* m_scratch = nullptr;
    IZRObject* m_edited = nullptr;
    IZRPos* m_pos = nullptr;
    IZRImage* m_image = nullptr;
    QPointer<ZRTextPreview> m_textPreview;
    ZRTitleIconItem* m_editingItem = nullptr;
    ZRTitleIconItem* m_refreshItem = nullptr;
    QPointer<QAbstractButton> m_newFolder, m_copy, m_paste, m_remove;

    QString m_family;
    int m_size = 0;
    int m_letterSpacing = 0;
    int m_lineSpacing = 0;
    QColor m_textColor{0, 0, 0};
    QColor m_backgroundColor{255, 255, 255};
    QString m_positionName = QStringLiteral("middle_centered");
    bool m_onScreen = true;
    bool m_suppressed = false;
    bool m_editorTab = false;
    QTimer m_timer;

    ZRComboBox* m_font = nullptr;
    ZRComboBox* m_fontSize = nullptr;
    ZRComboBox* m_kerning = nullptr;
    ZRComboBox* m_lineHeight = nullptr;
    ZRComboBox* m_fadeTime = nullptr;
    ZRComboBox* m_duration = nullptr;
    QButtonGroup* m_alignment = nullptr;
    ZRPushButton* m_align[3] = {};
    QWidget* m_textSwatch = nullptr;
    QWidget* m_backgroundSwatch = nullptr;
    ZRPushButton* m_fill = nullptr;
    QWidget* m_grid = nullptr;
    QWidget* m_screen = nullptr;
    ZRPushButton* m_scroll = nullptr;
    ZRPushButton* m_start = nullptr;
    ZRPushButton* m_end = nullptr;
    ZRPushButton* m_fade = nullptr;
    ZRPushButton* m_fadeIn = nullptr;
    ZRPushButton* m_fadeOut = nullptr;
    ZRPushButton* m_preview = nullptr;
    ZRPushButton* m_saveToDisk = nullptr;
    ZRPushButton* m_reset = nullptr;
    ZRPushButton* m_save = nullptr;
    QTextEdit* m_text = nullptr;
    QList<QWidget*> m_captions;
};
