#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QWidget>

namespace {

QString WithoutMnemonic(QString text) {
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text.trimmed();
}

void NameWidget(QWidget* widget) {
    if (!widget->objectName().isEmpty() && widget->accessibleDescription().isEmpty()) {
        widget->setAccessibleDescription(widget->objectName());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QWidget* buddy = label->buddy();
        if (buddy != nullptr && buddy->accessibleName().isEmpty()) {
            buddy->setAccessibleName(WithoutMnemonic(label->text()));
        }
        return;
    }
    if (!widget->accessibleName().isEmpty()) {
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        widget->setAccessibleName(WithoutMnemonic(button->text()));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        widget->setAccessibleName(WithoutMnemonic(group->title()));
    }
}

class TAccessibleNamer : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            NameWidget(static_cast<QWidget*>(watched));
        }
        return false;
    }
};

} // namespace

void InstallAccessibleNames(QApplication& app) {
    app.installEventFilter(new TAccessibleNamer(&app));
}

void NameAccessibleTree(QWidget* root) {
    NameWidget(root);
    for (QWidget* child : root->findChildren<QWidget*>()) {
        NameWidget(child);
    }
}
