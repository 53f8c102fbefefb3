#include "ui/page_keys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTabWidget>

namespace {

void StepPage(QTabWidget* pages, int step) {
    const int count = pages->count();
    for (int tried = 1; tried < count; ++tried) {
        const int index = (pages->currentIndex() + step * tried + count * count) % count;
        if (pages->isTabVisible(index) && pages->isTabEnabled(index)) {
            pages->setCurrentIndex(index);
            return;
        }
    }
}

void AddKeys(QTabWidget* pages, std::initializer_list<QKeyCombination> keys, int step) {
    for (QKeyCombination key : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), pages);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, pages,
                         [pages, step] { StepPage(pages, step); });
    }
}

} // namespace

void InstallPageKeys(QTabWidget* pages) {
    AddKeys(pages, {Qt::CTRL | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageDown}, 1);
    AddKeys(pages,
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, Qt::CTRL | Qt::Key_Backtab,
             Qt::CTRL | Qt::Key_PageUp},
            -1);
}
