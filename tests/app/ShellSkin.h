#pragma once

#include "classes/skins/ZRSkinPreload.h"
#include "tests/support/GuiApplication.h"

#include <QString>

/// The GUI application with the default skin the build drew, loaded once.
inline void useShellSkin() {
    static const bool loaded = [] {
        testsupport::guiApplication();
        setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
        preloadSkins();
        return true;
    }();
    (void)loaded;
}
