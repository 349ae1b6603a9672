// The dialog seam on Qt's message boxes and file-save dialog.
#pragma once

#include "platform/Platform.h"

class QWidget;

class MessageDialogs final : public Dialogs {
public:
    // Dialogs are modal to this window once it is set.
    void setParentWindow(QWidget *parent) { m_parent = parent; }
    void inform(const QString &title, const QString &text, MessageIcon icon) override;
    bool ask(const QString &title, const QString &text, DefaultAnswer byDefault) override;
    std::optional<QString> saveFileName(const QString &proposedFile, const QString &filter) override;

private:
    QWidget *m_parent = nullptr;
};
