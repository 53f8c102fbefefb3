#pragma once
// SIGTERM and SIGINT close the main window the normal way, so that shut-down runs in full
// (settings saved, report files closed with their end markers).

class QWidget;

// First thing in main, before anything that a signal must not cut short: from now on SIGTERM
// and SIGINT are held until a window is there to close. Needs no application object.
void CatchTerminationSignals();

// Closes the window, from its event loop, at a signal caught since CatchTerminationSignals
// (one that came before the window existed included).
void CloseOnTerminationSignals(QWidget* window);

// After the event loop has returned: the signals end the process again, so a shut-down that
// hangs can still be ended.
void RestoreTerminationSignals();
