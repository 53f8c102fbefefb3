#pragma once
// SIGTERM and SIGINT close the main window the normal way, so that shut-down runs in full
// (settings saved, report files closed with their end markers).

class QWidget;

void CloseOnTerminationSignals(QWidget* window);
