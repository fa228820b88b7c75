#pragma once

#include "classes/skins/PSDLayer.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QImage>
#include <QPointer>

class QEventLoop;

/// The program's frameless, skinned top-level dialog. It runs its own modal loop (`exec`),
/// keeps a result code and handles the keyboard as a dialog does: Escape rejects, Return or
/// keypad Enter clicks the first visible default ZRPushButton, the arrow keys move the focus.
/// Over its background it draws a translucent "shadow" box; after `grabScreenBackground` the
/// background is a copy of the screen taken just before the dialog appears, so that it seems to
/// float over what lay behind it, else the palette's window colour.
///
/// A dialog is always its own skin root, whatever its parent. A dialog with WA_DeleteOnClose
/// deletes itself (later) when it is done, or, under `exec`, once `exec` has ended. Deleting a
/// dialog while its `exec` runs ends the loop. GUI thread only.
class ZRDialog : public QSBWidget {
    Q_OBJECT
public:
    /// `shadow` null: the "shadow" set of the preloaded "popup_box" skin. A modal dialog blocks
    /// input to the rest of the application while shown.
    explicit ZRDialog(QDict<PSDLayer>* shadow = nullptr, QWidget* parent = nullptr,
                      const char* name = nullptr, bool modal = false, Qt::WindowFlags flags = {});
    ~ZRDialog() override;

    virtual void setShadowSkin(QDict<PSDLayer>* shadow);
    /// Asks for a copy of the screen under the dialog the next time it is shown.
    virtual void grabScreenBackground();
    /// The result code given to the last `done`.
    int result() const { return m_result; }
    /// The shadow box's middle after the last resize, or the whole dialog without a shadow.
    QRect innerRect() const { return m_innerRect; }
    /// The kept screen copy (empty without one).
    const QImage& backgroundCopy() const { return m_background; }

    void composeBackground(int x, int y, int w, int h) override;
    using QSBWidget::composeBackground;

    void setVisible(bool visible) override;

public Q_SLOTS:
    /// Shows the dialog modally and runs its own event loop until it is done or hidden; answers
    /// the result code, or -1 (with a warning) when called while its loop already runs.
    int exec();
    /// Hides the dialog, keeps `r` as the result, quits the application when the dialog is the
    /// main widget, and deletes a WA_DeleteOnClose dialog later.
    virtual void done(int r);
    virtual void accept() { done(1); }
    virtual void reject() { done(0); }
    /// Composes the dialog again from the kept screen copy.
    void repaintAll() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void takeScreenCopy();

    QRect m_innerRect;
    QImage m_background;
    ZRSkinBox m_shadow;
    bool m_grabRequested = false;
    int m_result = 0;
    bool m_inLoop = false;
    QPointer<QEventLoop> m_loop;
    int* m_execResult = nullptr; ///< where the running `exec` reads its result
};
