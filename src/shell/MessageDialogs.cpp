// Message boxes and the save dialog, modal to the window.
#include "shell/MessageDialogs.h"

#include "widgets/PlainText.h"

#include <QFileDialog>
#include <QMessageBox>

void MessageDialogs::inform(const QString &title, const QString &text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, title,
                    text, QMessageBox::Ok, m_parent);
    // Goods texts and service answers appear in messages; none of them is markup.
    showAsPlainText(box);
    box.exec();
}

bool MessageDialogs::ask(const QString &title, const QString &text, DefaultAnswer byDefault) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    showAsPlainText(box);
    box.setDefaultButton(byDefault == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageDialogs::saveFileName(const QString &proposedFile, const QString &filter) {
    const QString file = QFileDialog::getSaveFileName(m_parent, QString(), proposedFile, filter);
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return file;
}
