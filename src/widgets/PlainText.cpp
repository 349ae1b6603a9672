// Showing outside text in labels, message boxes and tooltips without reading it as markup.
#include "widgets/PlainText.h"

#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>

void showAsPlainText(QLabel &label) {
    label.setTextFormat(Qt::PlainText);
}

void showAsPlainText(QMessageBox &box) {
    box.setTextFormat(Qt::PlainText);
}

QString plainToolTip(const QString &text) {
    if (text.isEmpty()) {
        return text;
    }
    // Every character escaped and the lines kept: the result always reads as markup, whatever the text.
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}
