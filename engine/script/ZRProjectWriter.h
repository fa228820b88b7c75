#pragma once

#include <QByteArray>

class ZRTimeline;

/// The project file of a timeline: a script of host-function calls that rebuilds it when run.
/// Lines end in CR LF. The caller holds the background renderer; each track is locked while its
/// lines are written.
QByteArray writeProject(ZRTimeline& timeline);
