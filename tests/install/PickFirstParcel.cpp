// Preloaded into the installed program: once the book has filled the parcel picker, picks its first
// entry the way a click does, so the program queries that parcel.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QWidget>

namespace {

void pickWhenListed() {
    auto *poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *picker = window->findChild<QComboBox *>(QStringLiteral("Text1"));
            if (picker != nullptr && picker->isEnabled() && picker->count() > 0) {
                poll->stop();
                picker->setCurrentIndex(0);
                Q_EMIT picker->activated(0);
                return;
            }
        }
    });
    poll->start(100);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(pickWhenListed)
