#include "classes/widgets/ZRDialog.h"

#include "classes/pixels/ZRPixelRoutines.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRMainWidget.h"
#include "classes/widgets/ZRPushButton.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace {

QDict<PSDLayer>* defaultShadow() {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("popup_box");
    PSDLayerSet* shadow = sets ? sets->find(QStringLiteral("shadow")) : nullptr;
    return shadow ? &shadow->layers : nullptr;
}

} // namespace

ZRDialog::ZRDialog(QDict<PSDLayer>* shadow, QWidget* parent, const char* name, bool modal,
                   Qt::WindowFlags flags)
    // Made without a parent so that it becomes a skin root even under a skinned parent: it is a
    // window of its own and composes its own image.
    : QSBWidget(nullptr, name, flags | Qt::Dialog | Qt::FramelessWindowHint) {
    if (parent) setParent(parent, windowFlags());
    if (modal) setWindowModality(Qt::ApplicationModal);
    setShadowSkin(shadow ? shadow : defaultShadow());
}

ZRDialog::~ZRDialog() {
    // Ends a running loop; the `exec` that ran it sees the dialog gone.
    setVisible(false);
}

void ZRDialog::setShadowSkin(QDict<PSDLayer>* shadow) {
    m_shadow.setSkin(shadow);
}

void ZRDialog::grabScreenBackground() {
    m_grabRequested = true;
}

void ZRDialog::setVisible(bool visible) {
    if (visible) {
        if (m_grabRequested && !isVisible()) takeScreenCopy();
        QSBWidget::setVisible(true);
        return;
    }
    if (isHidden()) return;
    QSBWidget::setVisible(false);
    if (m_inLoop) {
        m_inLoop = false;
        if (m_loop) m_loop->exit();
    }
}

// A window cannot read the screen under itself once it is mapped, so the copy is taken just
// before. Parts of the dialog off the screen keep the window colour.
void ZRDialog::takeScreenCopy() {
    QImage copy(size(), QImage::Format_ARGB32);
    if (copy.isNull()) return;
    copy.fill(palette().color(QPalette::Window).rgb() | 0xFF000000u);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QPoint at = geometry().topLeft() - screen->geometry().topLeft();
        const QPixmap shot = screen->grabWindow(0, at.x(), at.y(), width(), height());
        if (!shot.isNull()) {
            QPainter painter(&copy);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawPixmap(0, 0, shot);
        }
    }
    setImageAlpha(copy, 255);
    m_background = copy;
    update();
}

int ZRDialog::exec() {
    if (m_inLoop) {
        qWarning("ZRDSFilePreview::exec: Recursive call detected.");
        return -1;
    }
    const bool destructive = testAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_DeleteOnClose, false);
    const bool wasShowModal = testAttribute(Qt::WA_ShowModal);
    setAttribute(Qt::WA_ShowModal, true);

    int result = 0;
    m_result = 0;
    m_execResult = &result;
    show();
    raise();
    QPointer<ZRDialog> self(this);
    QEventLoop loop;
    if (isVisible()) {
        m_loop = &loop;
        m_inLoop = true;
        loop.exec(QEventLoop::DialogExec);
    }
    if (!self) return result; // deleted while its loop ran

    m_loop = nullptr;
    m_execResult = nullptr;
    m_inLoop = false;
    if (!wasShowModal) setAttribute(Qt::WA_ShowModal, false);
    result = m_result;
    if (destructive) delete this;
    return result;
}

void ZRDialog::done(int r) {
    hide();
    m_result = r;
    if (m_execResult) *m_execResult = r;
    if (mainWidget() == this) QCoreApplication::quit();
    // Later: `done` may run in a slot of one of the dialog's own children.
    if (testAttribute(Qt::WA_DeleteOnClose)) deleteLater();
}

void ZRDialog::repaintAll() {
    update();
    QSBWidget::repaintAll();
}

void ZRDialog::closeEvent(QCloseEvent* e) {
    e->accept();
    reject();
}

void ZRDialog::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    if (m_shadow.naturalSize().isEmpty()) {
        m_innerRect = rect();
        return;
    }
    m_shadow.setGeometry(rect());
    m_innerRect = m_shadow.fillRect();
}

void ZRDialog::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers modifiers = e->modifiers();
    const bool keypadEnter = modifiers == Qt::KeypadModifier && e->key() == Qt::Key_Enter;
    if (modifiers != Qt::NoModifier && !keypadEnter) {
        e->ignore();
        return;
    }
    switch (e->key()) {
    case Qt::Key_Escape:
        reject();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const QList<ZRPushButton*> buttons = findChildren<ZRPushButton*>();
        for (ZRPushButton* button : buttons) {
            if (!button->isDefault() || !button->isVisible()) continue;
            if (button->isEnabled()) emit button->clicked();
            break;
        }
        return;
    }
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        const QWidget* focus = QApplication::focusWidget();
        const Qt::FocusPolicy policy = focus ? focus->focusPolicy() : Qt::NoFocus;
        if (policy == Qt::StrongFocus || policy == Qt::WheelFocus) {
            e->ignore();
            return;
        }
        focusNextPrevChild(e->key() == Qt::Key_Right || e->key() == Qt::Key_Down);
        return;
    }
    default:
        e->ignore();
    }
}

void ZRDialog::composeBackground(int x, int y, int w, int h) {
    QImage* target = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!target || target->isNull() || r.isEmpty()) return;
    {
        // Without a screen copy the area is made opaque first: the shadow is translucent.
        QPainter painter(target);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(r, QColor::fromRgb(palette().color(QPalette::Window).rgb()));
        if (!m_background.isNull()) painter.drawImage(r.topLeft(), m_background, r);
    }
    m_shadow.drawInto(QRegion(r), *target, QPoint(0, 0));
}
