// The real seams: Qt message boxes and file dialog, the system clock, the media player, the desktop.
#pragma once

#include "platform/Platform.h"

#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QWidget;

class RealDialogs final : public Dialogs {
public:
    // Dialogs are modal to this window once it is set.
    void setParentWindow(QWidget *parent) { m_parent = parent; }
    void inform(const QString &title, const QString &text, MessageIcon icon) override;
    bool ask(const QString &title, const QString &text) override;
    std::optional<QString> saveFileName(const QString &filter) override;

private:
    QWidget *m_parent = nullptr;
};

class RealClock final : public Clock {
public:
    QDateTime now() const override;
    bool setSystemTime(const QDateTime &moment, QString *error) override;
};

class RealSound final : public Sound {
public:
    RealSound();
    ~RealSound() override;
    void play(const QString &file) override;

private:
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};

class RealDesktop final : public Desktop {
public:
    void openUrl(const QString &url) override;
    void quit() override;
};
