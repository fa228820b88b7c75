// The background picture of the main window's central area: default, restore, change and
// stretch. Pictures change on the GUI thread, the only one that touches the composed image.

#include "app/ZRSBMainWindow.h"

#include "app/ZRBackgroundImage.h"
#include "app/ZRSettingsFile.h"
#include "views/ZRWindowServices.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "common/config/QConfig.h"

#include <QDir>
#include <QFileInfo>

using namespace settingsfile;

bool ZRSBMainWindow::applyBackground(const QString& path, bool stretch) {
    const QImage image = backgroundimage::load(path);
    if (image.isNull()) return false;
    m_background->setBackgroundImage(image, stretch);
    return true;
}

void ZRSBMainWindow::storeBackground(QConfig& config, const QString& path, bool stretch) {
    config.writeEntry(QLatin1String(kBackgroundImage), QDir::toNativeSeparators(path));
    config.writeEntry(QLatin1String(kStretchedBackground), stretch);
    setMenuItemChecked(StretchItem, stretch);
}

void ZRSBMainWindow::keepOldBackground(QConfig& config) {
    if (config.hasKey(QLatin1String(kBackgroundImage)))
        config.writeEntry(QLatin1String(kOldBackgroundImage),
                          config.readEntry(QLatin1String(kBackgroundImage)));
    if (config.hasKey(QLatin1String(kStretchedBackground)))
        config.writeEntry(QLatin1String(kStretchedOldBackground),
                          config.readBoolEntry(QLatin1String(kStretchedBackground)));
}

void ZRSBMainWindow::defaultBackground() {
    QConfig* config = settings();
    if (!config) return;
    config->setGroup(QLatin1String(kGeneral));
    config->writeEntry(QLatin1String(kStretchedOldBackground), m_stretchBackground);
    if (config->hasKey(QLatin1String(kBackgroundImage)))
        config->writeEntry(QLatin1String(kOldBackgroundImage),
                           config->readEntry(QLatin1String(kBackgroundImage)));
    m_stretchBackground = true;
    const QString path = QLatin1String(kDefaultBackground);
    applyBackground(path, m_stretchBackground);
    storeBackground(*config, path, m_stretchBackground);
}

void ZRSBMainWindow::restoreBackground() {
    QConfig* config = settings();
    if (!config) return;
    config->setGroup(QLatin1String(kGeneral));
    bool stretch = readBool(*config, kStretchedOldBackground, m_stretchBackground);
    QString path = readString(*config, kOldBackgroundImage, QString());
    bool fellBack = false;
    // Without a previous picture the default comes back, stretched, as after a lost file.
    if (path.isEmpty() || !QFileInfo(backgroundimage::resolve(path)).isFile()) {
        path = QLatin1String(kDefaultBackground);
        stretch = true;
        fellBack = true;
    }
    // A previous picture that no longer loads is refused; nothing changes.
    if (!applyBackground(path, stretch)) {
        ZRWindowServices::current().warning(this, tr("Restore Background"),
                                            tr("The background image could not be loaded:") +
                                                QLatin1Char('\n') + QDir::toNativeSeparators(path));
        return;
    }
    m_stretchBackground = stretch;
    if (fellBack) {
        config->deleteEntry(QLatin1String(kOldBackgroundImage));
        config->deleteEntry(QLatin1String(kStretchedOldBackground));
    } else {
        keepOldBackground(*config);
    }
    storeBackground(*config, path, stretch);
}

void ZRSBMainWindow::changeBackground() {
    const QString start = skinBaseFolder() + QStringLiteral("/backgrounds");
    const QString filter = tr("All Formats (*.PSD *.JPG *.JPEG *.BMP *.GIF)") +
                           QLatin1String(";;") + tr("Photoshop (*.PSD)") + QLatin1String(";;") +
                           tr("CompuServe (*.GIF)") + QLatin1String(";;") +
                           tr("JPEG (*.JPG *.JPEG)") + QLatin1String(";;") +
                           tr("BMP (*.BMP *RLE)") + QLatin1String(";;") + tr("All Files (*.*)");
    const QString file = ZRWindowServices::current().fileName(
        this, true, tr("Change background image"), start, filter);
    if (file.isEmpty()) return;
    if (!applyBackground(file, m_stretchBackground)) {
        ZRWindowServices::current().warning(this, tr("Change Background"),
                                            tr("The background image could not be loaded:") +
                                                QLatin1Char('\n') + QDir::toNativeSeparators(file));
        return;
    }
    QConfig* config = settings();
    if (!config) return;
    config->setGroup(QLatin1String(kGeneral));
    keepOldBackground(*config);
    storeBackground(*config, file, m_stretchBackground);
}

void ZRSBMainWindow::setStretch() {
    QAction* item = menuItem(StretchItem);
    if (!item || item->isChecked() != m_stretchBackground) return;
    const bool stretch = !item->isChecked();
    item->setChecked(stretch);
    m_stretchBackground = stretch;
    m_background->setScaledBackground(stretch);
    if (QConfig* config = settings()) {
        config->setGroup(QLatin1String(kGeneral));
        config->writeEntry(QLatin1String(kStretchedBackground), stretch);
    }
}
