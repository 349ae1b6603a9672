// Fake dialogs and clock.
#include "support/FakePlatform.h"

#include <QTest>

#include <utility>

void FakeDialogs::inform(const QString &title, const QString &text, MessageIcon icon) {
    shown.append({title, text, icon, false});
    if (whileShown) {
        whileShown(shown.last());
    }
}

bool FakeDialogs::ask(const QString &title, const QString &text, DefaultAnswer byDefault) {
    shown.append({title, text, MessageIcon::Information, true, byDefault});
    if (whileShown) {
        whileShown(shown.last());
    }
    if (answers.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected question: ") + text), __FILE__, __LINE__);
        return false;
    }
    return answers.takeFirst().value_or(byDefault == DefaultAnswer::Yes);
}

std::optional<QString> FakeDialogs::saveFileName(const QString &proposedFile, const QString &filter) {
    saveProposals.append(proposedFile);
    saveFilters.append(filter);
    if (saveAnswers.isEmpty()) {
        return std::nullopt;
    }
    return saveAnswers.takeFirst();
}

QStringList FakeDialogs::texts() const {
    QStringList result;
    for (const ShownMessage &message : shown) {
        result.append(message.text);
    }
    return result;
}

void FakeClock::setSystemTime(const QDateTime &moment, ClockSetDone done) {
    m_outstanding.append({moment, std::move(done)});
    if (!holdAnswers) {
        QTimer::singleShot(0, &m_context, [this] { answerOutstanding(); });
    }
}

void FakeClock::answerOutstanding() {
    for (const OutstandingSet &set : std::exchange(m_outstanding, {})) {
        if (setError.isEmpty()) {
            sets.append(set.moment);
        }
        set.done(setError.isEmpty() ? Outcome<>() : Outcome<>(Failure{setError, {}}));
    }
}
