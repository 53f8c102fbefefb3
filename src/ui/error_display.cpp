#include "ui/error_display.h"

#include <QMessageBox>
#include <QWidget>

#include <exception>

TErrorDisplay::TErrorDisplay(QWidget* window) : QObject(window), FWindow(window) {}

void TErrorDisplay::Show(const QString& message) {
    if (FOpen.count(message) != 0) {
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Orvant2"), message,
                                QMessageBox::Ok, FWindow);
    box->setObjectName(QStringLiteral("ErrorMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    FOpen[message] = box;
    connect(box, &QObject::destroyed, this, [this, message] { FOpen.erase(message); });
    box->open();
}

void TErrorDisplay::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        Show(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Show(QStringLiteral("Unknown error"));
    }
}

QStringList TErrorDisplay::OpenMessages() const {
    QStringList list;
    for (const auto& entry : FOpen) {
        list << entry.first;
    }
    return list;
}
