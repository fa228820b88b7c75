#include "output/ZRExportDiscwrightView.h"

ZRExportDiscwrightView::ZRExportDiscwrightView(QWidget* parent, const char* name)
    : ZRExportLaunchPage(kProgram, tr("Design and burn Brackwell-Style DVDs."), tr("Discwright"),
                         tr("Launch Discwright"),
                         tr("Could not open Discwright, please install it."), parent,
                         name ? name : "ZRExportDiscwrightView") {}
