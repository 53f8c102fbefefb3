#pragma once
// The question put before a command that changes the panel. Only an explicit "Yes" confirms:
// "No" is the default button, so Enter and Escape both leave the panel alone.

#include <QString>

class QWidget;

// Asks modally; true only when the technician chose "Yes".
bool ConfirmQuestion(QWidget* parent, const QString& question);
