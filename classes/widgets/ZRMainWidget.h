#pragma once

class QWidget;

/// The program's main widget: the one whose closing ends the application. The start-up sets it
/// once its main window exists; toolkit widgets read it (a dialog that is the main widget quits
/// the application when it is done). Null until set and after the widget is deleted.
/// GUI thread only.
void setMainWidget(QWidget* widget);
QWidget* mainWidget();
