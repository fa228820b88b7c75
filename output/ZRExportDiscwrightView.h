#pragma once

#include "output/ZRExportLaunchPage.h"

/// The DVD page: starts the DVD authoring program ("Discwright") in its own install folder,
/// without arguments. GUI thread only.
class ZRExportDiscwrightView : public ZRExportLaunchPage {
    Q_OBJECT

public:
    static constexpr Program kProgram = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Discwright", "InstallDir", "Discwright",
        false, true};

    explicit ZRExportDiscwrightView(QWidget* parent = nullptr, const char* name = nullptr);
};
