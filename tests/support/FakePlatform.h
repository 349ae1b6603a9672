// Fakes of the platform seams: dialogs answered by script, a settable clock, recorded sound and desktop.
#pragma once

#include "mail/Mailer.h"
#include "platform/Platform.h"

#include <QList>
#include <QStringList>
#include <QTimer>

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

// Never touches the machine's clock: a set is only recorded (and may be scripted to fail).
class FakeClock final : public Clock {
public:
    QDateTime now() const override { return current; }
    bool setSystemTime(const QDateTime &moment, QString *error) override {
        if (!setError.isEmpty()) {
            *error = setError;
            return false;
        }
        sets.append(moment);
        return true;
    }
    QDateTime current = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0));
    QList<QDateTime> sets;
    QString setError;
};

// Records every message; answers by script (sent, or refused with a reason).
class FakeMailer final : public Mailer {
public:
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override {
        sent.append(message);
        QTimer::singleShot(0, [done = std::move(done), answer = result] { done(answer); });
    }
    QList<MailMessage> sent;
    MailResult result{true, QString()};
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
    FakeMailer recordingMailer;
    // The mailer the window uses; tests of the real submission put a real one here.
    Mailer *mailer = &recordingMailer;

    Platform platform() { return Platform{&dialogs, &clock, &sound, &desktop, mailer}; }
};
