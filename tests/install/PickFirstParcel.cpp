// Preloaded into the installed program: once the book has filled the parcel picker, picks its first
// entry the way a click does, so the program queries that parcel. Once that query has ended it leaves
// the picker showing nothing, prints "watching picks" to standard error, and then "picked: <goods>" for
// every entry the program picks from then on.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

QComboBox *listingPicker() {
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *picker = window->findChild<QComboBox *>(QStringLiteral("Text1"));
        if (picker != nullptr && picker->isEnabled() && picker->count() > 0) {
            return picker;
        }
    }
    return nullptr;
}

void say(const QString &line) {
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

void reportLaterPicks(QComboBox *picker) {
    picker->setCurrentIndex(-1);
    QObject::connect(picker, &QComboBox::currentIndexChanged, picker,
                     [picker](int index) { say(QStringLiteral("picked: ") + picker->itemText(index)); });
    say(QStringLiteral("watching picks"));
}

void pickWhenListed() {
    auto *poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, picked = false]() mutable {
        QComboBox *picker = listingPicker();
        if (picker == nullptr) {
            return;
        }
        // The query locks the picker; it is listed and enabled again once the query has ended.
        if (picked) {
            poll->stop();
            reportLaterPicks(picker);
            return;
        }
        picked = true;
        picker->setCurrentIndex(0);
        Q_EMIT picker->activated(0);
    });
    poll->start(100);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(pickWhenListed)
