#include "ui/confirm_question.h"

#include <QMessageBox>
#include <QPushButton>

bool ConfirmQuestion(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Orvant2"), question,
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("ConfirmQuestion"));
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    yes->setText(QMessageBox::tr("&Yes"));
    QPushButton* no = box.addButton(QMessageBox::No);
    no->setText(QMessageBox::tr("&No"));
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
