#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QComboBox>

/// A combo box that takes part in skin composition without being a QSBWidget: it composes
/// through its parent (a QSBWidget) and adds its boxes, one for the enabled and one for the
/// disabled state, over the parent's background. It holds the images of its arrow button for
/// the application style, which draws the arrow and the frame. Without a skinned parent it
/// composes nothing. Its skin and skinned line edit come with `setFontTag`, which the code that
/// makes the combo box calls. GUI thread only.
class ZRComboBox : public QComboBox {
    Q_OBJECT
public:
    /// The arrow button's images by state.
    enum ArrowState { ArrowOver, ArrowPressed, ArrowNormal, ArrowDisabled, ArrowStateCount };

    ZRComboBox(bool editable, QWidget* parent, const char* name = nullptr);
    /// A combo box that cannot be edited.
    explicit ZRComboBox(QWidget* parent = nullptr, const char* name = nullptr);
    ~ZRComboBox() override;

    /// Composes the rectangle (widget coordinates) into the parent's composed image: the
    /// parent's background, then the box of the current state.
    virtual void composeBackground(int x, int y, int w, int h);
    virtual void composeRegion(const QRegion& region);
    /// The parent's composed image; null without a skinned parent.
    virtual QImage* composedImage() const;
    virtual QRect mapRectToSkinRoot(const QRect& rect) const;
    virtual QPoint mapPointToSkinRoot(const QPoint& point) const;
    /// Takes the preloaded "combo_box" skin, an editable combo box's ZRLineEdit and the font of
    /// the default combo-box tag.
    virtual void setFontTag();
    /// Takes the arrow images of "arrow_button" (each null when absent), the "normal_box" and
    /// "disabled_box" sets, and the normal box's fill colour as the palette's window and base
    /// colours; the text colour becomes the preloaded skin's (ZRSkinPalette.h), when it has one.
    virtual void setSkin(QDict<PSDLayerSet>* skin);

    const QImage* arrowImage(ArrowState state) const { return m_arrowImages[state]; }
    QPoint arrowPosition(ArrowState state) const { return m_arrowPositions[state]; }
    const ZRSkinBox& normalBox() const { return m_normalBox; }

Q_SIGNALS:
    /// The combo box lost the keyboard focus.
    void focusLost();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    class QSBWidget* skinnedParent() const;

    ZRSkinBox m_normalBox;
    ZRSkinBox m_disabledBox;
    const QImage* m_arrowImages[ArrowStateCount] = {};
    QPoint m_arrowPositions[ArrowStateCount];
};
