#pragma once

#include "browser/ZREngineIconView.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class IZRImage;
class QTimer;
class ZREngineIconViewItem;

/// One entry of a module group as the engine lists it, with its thumbnail.
struct ZREngineModuleEntry {
    QString group;
    QString name;
    /// The engine's text for the entry; empty when it has none.
    QString info;
    QImage thumbnail;
};

/// The animation position of one page class: a phase between 0.0 and 1.0 that moves by 0.03 a
/// tick, turning at both ends, shared by every page of the class. GUI thread only.
struct ZREngineAnimation {
    static constexpr double kStep = 0.03;
    double phase = 0.0;
    bool rising = true;

    /// One tick: the phase moves in its direction; reaching 1.0 or more it becomes exactly 1.0
    /// and falls, reaching 0.0 or less exactly 0.0 and rises.
    void step();
};

/// What the effects and transitions pages share: the top level shows one folder per module
/// group of the page's engine kind, a click on a folder lists its entries. Each entry shows a
/// thumbnail the engine rendered at position 0.5 into the "small_icon" skin layer; while the page
/// is shown and no button is held on it, a 30 ms timer renders every visible entry again at the
/// class's moving phase into the item's animation frame, which the paint draws over the picture
/// (tinted 0xA6150185 when selected). A tick creates and destroys no engine object: each entry
/// item keeps its own for its life.
///
/// The engine images are made once per timeline and destroyed through its factory; the timeline
/// given must outlive the page or be replaced first. A skin layer the page needs and lacks
/// leaves out the thumbnails or the animation that need it. GUI thread only.
class ZRBrowserEngineView : public ZREngineIconView {
    Q_OBJECT
public:
    static constexpr int kTickMs = 30;
    /// The tint of a selected entry's animation frame (0xAARRGGBB).
    static constexpr uint32_t kSelectedTint = 0xA6150185;

    ~ZRBrowserEngineView() override;

    /// Lists the groups and entries of the timeline's modules anew (clearing what was listed)
    /// and shows the top level. Without a timeline the page is left empty.
    void reload() override;
    /// Shows the entries of `group` in the order the engine listed them.
    void openFolder(const QString& group);
    /// Emits `folderChanged` and `folderNameChanged` for the present state.
    void emitFolderState();

    /// The engine kind of the page: "Video Effect" or "Transition".
    virtual QString engineKind() const = 0;
    /// The phase and direction of the page's class.
    virtual ZREngineAnimation& animation() const = 0;

    /// The names of a module-list table: 50-byte records, each a UTF-8 name ended by a zero or
    /// by the record's end, the first record whose first byte is zero ending the table. Null
    /// lists nothing.
    static QStringList moduleTableNames(const void* table);

    const QStringList& groups() const { return m_groups; }
    const QList<ZREngineModuleEntry>& entries() const { return m_entries; }
    QString currentFolder() const { return m_currentFolder; }
    bool inFolder() const { return m_inFolder; }
    bool isAnimating() const;
    /// The size of the animation frames: the anchor layer's ("effects" or "clip_A").
    QSize tickImageSize() const;

public Q_SLOTS:
    void startAnimation();
    void stopAnimation();
    /// At the top level already: nothing. Otherwise shows one folder per group and emits
    /// `folderChanged(false)` and `folderNameChanged` with the engine kind.
    void showFolders();
    /// A folder clicked at the top level opens it and emits `folderChanged(true)` and the
    /// group's name; anything else does nothing.
    void folderClicked(ZRIconViewItem* item);
    /// One animation tick over the entries that meet the viewport.
    void paintTimer();

Q_SIGNALS:
    void folderChanged(bool inFolder);
    void folderNameChanged(const QString& name);

protected:
    /// The images a page renders with.
    enum Image { Source = 0, Target = 1, Second = 2 };

    ZRBrowserEngineView(QWidget* parent, const char* name, Qt::WindowFlags flags);

    /// The skin layer whose size the target has and where the target stands in a thumbnail.
    virtual ZREngineSkinLayers::Which anchorLayer() const = 0;
    /// Sizes the engine images (made already) and fills the source pictures from the skin;
    /// false when a layer they need is missing.
    virtual bool prepareImages(const std::array<IZRImage*, 3>& images) = 0;
    /// Renders the entry into the target at position 0.5 with an engine object made for it and
    /// destroyed again; false when the engine makes none.
    virtual bool renderThumbnail(const QString& group, const QString& name) = 0;
    /// A new item for an entry, holding the engine object it animates with.
    virtual ZREngineIconViewItem* makeEntryItem(const ZREngineModuleEntry& entry) = 0;
    /// Renders the item's engine object into the target at `phase`; false when it has none.
    virtual bool renderEntry(ZREngineIconViewItem* item, double phase) = 0;

    IZRImage* image(Image which) const { return m_images[size_t(which)]; }
    /// Sizes `target` to the layer and copies the layer's pixels into it; false (the image
    /// untouched) when the layer is missing or the engine cannot size the image.
    static bool fillFromLayer(IZRImage* target, const ZREngineSkinLayer& layer);
    /// A two-colour picture from rows of '#' (black) and '.' (white), all of one length.
    static QImage twoColourPicture(const char* const* rows, int count);
    /// A copy of the skin layer as a 32-bit image; null when the skin lacks it.
    QImage layerImage(ZREngineSkinLayers::Which which) const;

    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    /// Presses on the frame round the viewport, which the scroll area passes on unhandled.
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    /// The items, then the animation frames over the entries' pictures.
    void drawContents(QPainter* painter, int cx, int cy, int cw, int ch) override;

private:
    void makeImages();
    void releaseImages();
    /// The target's pixels into `picture` with the target's top-left corner at `at`, clipped
    /// to both, opaque.
    void copyTargetInto(QImage& picture, const QPoint& at) const;
    /// Where an entry's animation frame stands, in contents coordinates.
    QRect frameRect(const ZRIconViewItem* item) const;

    QList<ZREngineModuleEntry> m_entries;
    QStringList m_groups;
    std::array<IZRImage*, 3> m_images{};
    IZRTimeline* m_imageTimeline = nullptr;
    bool m_imagesReady = false;
    QTimer* m_animationTimer;
    QString m_currentFolder;
    bool m_inFolder = false;
};
