#pragma once

#include "output/ZRExportLaunchPage.h"

/// The web-cast page: starts the web-video posting program ("webcast") with the clip selected
/// in the browser. GUI thread only.
class ZRExportWebCastView : public ZRExportLaunchPage {
    Q_OBJECT

public:
    static constexpr Program kProgram = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\WebCast\\Clipstead", "InstalledDir",
        "webcast", true, false};

    explicit ZRExportWebCastView(QWidget* parent = nullptr, const char* name = nullptr);
};
