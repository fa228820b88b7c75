// The Options and Help menus' commands and the snapshot.

#include "app/ZRSBMainWindow.h"

#include "app/ZRLauncher.h"
#include "app/ZRSettingsFile.h"
#include "views/ZRWindowServices.h"
#include "capture/ZRImportView.h"
#include "classes/skins/ZRSkinPreload.h"
#include "common/config/QConfig.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/RegistryFile.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

using namespace settingsfile;

namespace {

// The maker's web pages.
const char* const kWebsite = "https://www.orvand.com/";
const char* const kSupport = "https://www.orvand.com/support/";
const char* const kUpdates = "https://www.orvand.com/updates/";

const char* const kHelpDocument = "cs5_help.pdf";

void openUpdater() {
    ZRLauncher& launcher = ZRLauncher::current();
    const std::optional<QString> stored = platform::registryValue(
        u"HKEY_LOCAL_MACHINE\\Software\\Orvand Multimedia\\Patchwell\\App", u"PatchwellDirectory");
    if (stored && !stored->isEmpty()) {
        QString folder = QDir::fromNativeSeparators(*stored);
        if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
        if (launcher.startDetached(folder + QStringLiteral("Patchwell"))) return;
    }
    launcher.openUrl(QUrl(QString::fromLatin1(kUpdates)));
}

void openHelpDocument(QWidget* parent) {
    ZRWindowServices& services = ZRWindowServices::current();
    const QString path = skinBaseFolder() + QLatin1Char('/') + QLatin1String(kHelpDocument);
    if (!QFileInfo(path).isFile()) {
        services.warning(parent, ZRSBMainWindow::tr("Documentation Error"),
                         ZRSBMainWindow::tr("Error opening PDF document:") + QLatin1Char('\n') +
                             QLatin1String(kHelpDocument));
        return;
    }
    if (!ZRLauncher::current().openFile(path))
        services.warning(parent, ZRSBMainWindow::tr("Documentation Error"),
                         ZRSBMainWindow::tr("No PDF viewer installed.\nPlease install a program "
                                            "that shows PDF documents."));
}

} // namespace

void ZRSBMainWindow::slotMenuItemActivated(int id) {
    ZRAppState& state = appState();
    QConfig* config = settings();
    if (!config) return;
    config->setGroup(QLatin1String(kGeneral));
    switch (id) {
    case DeinterlaceItem: {
        const bool on = !readBool(*config, kSnapshotDeinterlace, false);
        setMenuItemChecked(DeinterlaceItem, on);
        config->writeEntry(QLatin1String(kSnapshotDeinterlace), on);
        break;
    }
    case ClipboardItem:
    case BmpFileItem:
        setMenuItemChecked(ClipboardItem, id == ClipboardItem);
        setMenuItemChecked(BmpFileItem, id == BmpFileItem);
        config->writeEntry(QLatin1String(kSnapshotToClipboard), id == ClipboardItem);
        break;
    case BackgroundRendererItem: {
        const bool on = !readBool(*config, kUseBackgroundRenderer, true);
        setMenuItemChecked(BackgroundRendererItem, on);
        config->writeEntry(QLatin1String(kUseBackgroundRenderer), on);
        if (m_timeline)
            m_timeline->settings()->setIntSetting("Enable Background Rendering", on ? 1 : 0);
        state.useBackgroundRenderer = on;
        break;
    }
    case Split4GBItem:
    case Split2GBItem:
    case Split1490000KBItem:
    case Split650MBItem:
    case Split700MBItem:
    case Split800MBItem:
    case Split5120KBItem:
        state.splitSize = splitKilobytes(id);
        for (const SplitSize& size : kSplitSizes)
            setMenuItemChecked(size.menuId, size.menuId == id);
        config->writeEntry(QLatin1String(kFileSplitSize), state.splitSize);
        m_importView->slotSplitSettingsChange();
        break;
    case SceneDetectionItem:
        state.sceneDetection = !isMenuItemChecked(SceneDetectionItem);
        setMenuItemChecked(SceneDetectionItem, state.sceneDetection);
        config->writeEntry(QLatin1String(kFileSplitScene), state.sceneDetection);
        m_importView->slotSplitSettingsChange();
        break;
    case DocumentationItem:
        openHelpDocument(this);
        break;
    case WebsiteItem:
        ZRLauncher::current().openUrl(QUrl(QString::fromLatin1(kWebsite)));
        break;
    case SupportItem:
        ZRLauncher::current().openUrl(QUrl(QString::fromLatin1(kSupport)));
        break;
    case UpdateItem:
        openUpdater();
        break;
    case AboutItem:
        ZRWindowServices::current().showAbout(this);
        break;
    default:
        break;
    }
}

void ZRSBMainWindow::slotSnapshot(IZRPos* position) {
    QConfig* config = settings();
    if (!m_timeline || !position || !config) return;
    config->setGroup(QLatin1String(kGeneral));
    const bool deinterlace = readBool(*config, kSnapshotDeinterlace, false);
    IZRImage* frame = m_timeline->videoAt(position, 0);
    if (!frame) return;
    std::unique_lock<IZRImage> frameLock(*frame, std::adopt_lock); // the frame comes locked
    if (deinterlace && frame->flag()) frame->scale(true);
    QImage image;
    const int width = frame->width();
    const int height = frame->height();
    if (width > 0 && height > 0 && frame->pixels()) {
        image = QImage(width, height, QImage::Format_RGB32);
        // Row by row: the engine image and the picture may have different strides.
        const size_t row = size_t(std::min<qsizetype>(frame->stride(), image.bytesPerLine()));
        for (int y = 0; y < height && !image.isNull(); ++y)
            std::memcpy(image.scanLine(y), frame->pixels() + size_t(y) * size_t(frame->stride()),
                        row);
    }
    frameLock.unlock();
    if (image.isNull()) return;

    if (readBool(*config, kSnapshotToClipboard, false)) {
        QGuiApplication::clipboard()->setImage(image);
        return;
    }
    const QString folder = readString(*config, kSnapshotFolder, QString());
    const QString start =
        !folder.isEmpty() && QFileInfo(folder).isDir()
            ? QFileInfo(folder).absoluteFilePath() + QLatin1Char('/') + tr("Untitled")
            : tr("Untitled");
    const QString chosen = ZRWindowServices::current().fileName(
        this, false, tr("Save As..."), start,
        tr("Bitmap files (*.bmp)") + QLatin1String(";;") + tr("All Files (*.*)"));
    if (chosen.isEmpty()) return;
    const QString name = confirmedName(normalisedName(chosen, QStringLiteral("bmp")));
    if (name.isEmpty()) return;
    if (!image.save(name, "BMP")) {
        ZRWindowServices::current().warning(this, tr("Snapshot"),
                                            tr("The snapshot could not be saved to:") +
                                                QLatin1Char('\n') + QDir::toNativeSeparators(name));
        return;
    }
    appState().addBrowserFile(QString(), QDir::toNativeSeparators(name), 0);
}
