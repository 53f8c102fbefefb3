#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
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

// A list named by its label. Qt's own interface names a list by its current value on Linux and
// leaves the label to a relation that not every screen reader follows.
class TLabelledComboAccessible : public QAccessibleWidget {
public:
    explicit TLabelledComboAccessible(QComboBox* list)
        : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        const QComboBox* list = Combo();
        if (t == QAccessible::Name && !list->accessibleName().isEmpty()) {
            return list->accessibleName();
        }
        if (t == QAccessible::Name || t == QAccessible::Value) {
            return list->currentText();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.editable = Combo()->isEditable();
        return state;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }

    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction()) {
            Combo()->showPopup();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

// A window of the program's own (a plain QWidget underneath) is a window to screen readers, named
// by its title, rather than an anonymous filler they cannot find.
bool IsOwnWindow(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const QMetaObject* base = object->metaObject()->superClass();
    return widget != nullptr && widget->isWindow() && base != nullptr &&
           base == &QWidget::staticMetaObject;
}

QAccessibleInterface* AccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox")) {
        return new TLabelledComboAccessible(static_cast<QComboBox*>(object));
    }
    if (object != nullptr && className == QLatin1String(object->metaObject()->className()) &&
        IsOwnWindow(object)) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

} // namespace

void InstallAccessibleNames(QApplication& app) {
    app.installEventFilter(new TAccessibleNamer(&app));
    InstallAccessibleRoles();
}

void InstallAccessibleRoles() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(AccessibleFactory);
    }
}

void NameAccessibleTree(QWidget* root) {
    NameWidget(root);
    for (QWidget* child : root->findChildren<QWidget*>()) {
        NameWidget(child);
    }
}
