// Fakes of the platform seams: dialogs answered by script, a settable clock, recorded sound and desktop.
#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QStringList>

#include <functional>

struct ShownMessage {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Information;
    bool question = false;
};

class FakeDialogs final : public Dialogs {
public:
    void inform(const QString &title, const QString &text, MessageIcon icon) override;
    bool ask(const QString &title, const QString &text) override;
    std::optional<QString> saveFileName(const QString &filter) override;

    // Answers for the next questions, used in order; a question with no scripted answer fails the test.
    QList<bool> answers;
    // Answers for the next save dialogs (nothing = cancel).
    QList<std::optional<QString>> saveAnswers;
    QStringList saveFilters;
    QList<ShownMessage> shown;
    // Runs while a message or question is "on screen", before it is answered.
    std::function<void(const ShownMessage &)> whileShown;

    QStringList texts() const;
};

class FakeClock final : public Clock {
public:
    QDateTime now() const override { return current; }
    QDateTime current = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0));
};

class FakeSound final : public Sound {
public:
    void play(const QString &file) override { played.append(file); }
    QStringList played;
};

class FakeDesktop final : public Desktop {
public:
    void openUrl(const QString &url) override { opened.append(url); }
    void quit() override { ++quits; }
    QStringList opened;
    int quits = 0;
};

class FakePlatform final {
public:
    FakeDialogs dialogs;
    FakeClock clock;
    FakeSound sound;
    FakeDesktop desktop;

    Platform platform() { return Platform{&dialogs, &clock, &sound, &desktop}; }
};
