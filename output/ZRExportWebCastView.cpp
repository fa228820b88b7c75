#include "output/ZRExportWebCastView.h"

ZRExportWebCastView::ZRExportWebCastView(QWidget* parent, const char* name)
    : ZRExportLaunchPage(kProgram,
                         tr("Select a video from the browser to post to the Orvand Streamhall."),
                         tr("Streamhall"), tr("Launch Streamhall"),
                         tr("Could not open Orvand Streamhall, please install it."), parent,
                         name ? name : "ZRExportWebCastView") {}
