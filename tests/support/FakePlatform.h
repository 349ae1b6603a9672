// Fakes of the platform seams: dialogs answered by script, a settable clock, recorded sound and desktop.
#pragma once

#include "mail/Mailer.h"
#include "platform/NetworkWebClient.h"
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
    DefaultAnswer byDefault = DefaultAnswer::Yes;
};

class FakeDialogs final : public Dialogs {
public:
    void inform(const QString &title, const QString &text, MessageIcon icon) override;
    bool ask(const QString &title, const QString &text, DefaultAnswer byDefault) override;
    std::optional<QString> saveFileName(const QString &proposedFile, const QString &filter) override;

    // Answers for the next questions, used in order; a question with no scripted answer fails the test.
    // Nothing stands for Enter: the question's default button answers.
    QList<std::optional<bool>> answers;
    // Answers for the next save dialogs (nothing = cancel).
    QList<std::optional<QString>> saveAnswers;
    // What each save dialog proposed and offered, in order.
    QStringList saveProposals;
    QStringList saveFilters;
    QList<ShownMessage> shown;
    // Runs while a message or question is "on screen", before it is answered.
    std::function<void(const ShownMessage &)> whileShown;

    QStringList texts() const;
};

// Never touches the machine's clock: a set is only recorded (and may be scripted to fail). Its answer
// comes from the event loop, never inside the call, and may be held back like a prompt left open.
class FakeClock final : public Clock {
public:
    QDateTime now() const override { return current; }
    void setSystemTime(const QDateTime &moment, ClockSetDone done) override;
    // Answers every set still outstanding, as the system would.
    void answerOutstanding();
    qsizetype outstanding() const { return m_outstanding.size(); }

    QDateTime current = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0));
    // The moments the clock was set to, in order.
    QList<QDateTime> sets;
    // When not empty, sets fail with this reason.
    QString setError;
    // While true, sets stay outstanding until answerOutstanding().
    bool holdAnswers = false;

private:
    struct OutstandingSet {
        QDateTime moment;
        ClockSetDone done;
    };
    QList<OutstandingSet> m_outstanding;
    // Answers still queued when the fake goes end with it.
    QObject m_context;
};

// Records every message; answers by script (sent, or refused with a reason).
class FakeMailer final : public Mailer {
public:
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override {
        sent.append(message);
        QTimer::singleShot(delayMs, &m_context, [this, done = std::move(done), answer = result] {
            ++finished;
            done(answer);
        });
    }
    QList<MailMessage> sent;
    MailResult result;
    // How long a submission takes, and how many have ended.
    int delayMs = 0;
    int finished = 0;

private:
    // Submissions still pending when the fake goes end with it.
    QObject m_context;
};

class FakeSound final : public Sound {
public:
    void play(const QString &file) override { played.append(file); }
    QStringList played;
};

class FakeDesktop final : public Desktop {
public:
    void openUrl(const QString &url) override { opened.append(url); }
    void quit() override {
        ++quits;
        if (onQuit) {
            onQuit();
        }
    }
    void notify(const DesktopNotification &notification) override { notifications.append(notification); }
    void setActivationHandler(std::function<void(qint64 parcelId)> handler) override {
        activate = std::move(handler);
    }
    QStringList opened;
    QList<DesktopNotification> notifications;
    // What the program set to hear activated notifications; a test calls it as the desktop would.
    std::function<void(qint64 parcelId)> activate;
    int quits = 0;
    // Runs when the program ends, to look at what was done by then.
    std::function<void()> onQuit;
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
    // The real transfers, linked in rather than loaded from the module beside the program.
    NetworkWebClient web;

    Platform platform() { return Platform{&dialogs, &clock, &sound, &desktop, mailer, &web}; }
};
