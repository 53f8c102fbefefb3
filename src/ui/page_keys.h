#pragma once
// Keyboard page changes for the window's page control, wherever the focus is: Ctrl+Tab and
// Ctrl+PgDn go to the next page whose tab is shown, Ctrl+Shift+Tab and Ctrl+PgUp to the previous
// one, wrapping around. Hidden slave pages are passed over.

class QTabWidget;

void InstallPageKeys(QTabWidget* pages);
