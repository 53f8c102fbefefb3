#pragma once
// Names for screen readers and test robots, given once for the whole application.
//
// Every widget with an object name carries that name as its accessible description (Qt 6.4 does
// not publish object names on the accessibility bus, and a robot finds `SpinEditSlave` or `Memo1`
// this way). A widget without an accessible name gets its caption, or the text of the label that
// names it (its buddy). Widgets and dialogs created later are covered too: the hook sees every
// widget when it is polished, before it is first shown.

class QApplication;
class QWidget;

void InstallAccessibleNames(QApplication& app);

// The roles and names screen readers get for widgets whose Qt default misleads them: the
// program's own windows are windows named by their title, and lists are named by their label
// (their accessible name). InstallAccessibleNames does this too; doing it twice is harmless.
void InstallAccessibleRoles();

// Gives one widget tree its names now (the hook does this by itself at polish time).
void NameAccessibleTree(QWidget* root);
