// The one rule for text from a service, the book or a file: every widget shows it as it stands.
#pragma once

class QLabel;
class QMessageBox;
class QString;

// The label shows its text as written: a tag in it is text, a link stays dead, an image is not loaded.
// Qt would otherwise guess from the text itself, and a service chooses what its text looks like.
void showAsPlainText(QLabel &label);
void showAsPlainText(QMessageBox &box);
// A tooltip that shows this text as written. Qt takes a tooltip for markup whenever its first line
// looks like markup, so the text goes as rich text that says exactly it.
QString plainToolTip(const QString &text);
