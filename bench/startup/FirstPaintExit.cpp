// Preloaded helper that ends the process right after the first top-level window has painted a frame,
// or, when PARCELBOOK_USABLE_PARCELS is set, once the window is usable: the picker (the combo named
// Text1) lists that many entries and is enabled, and the window takes input (enabled, under no modal
// dialog). Every moment is said on stderr as CLOCK_MONOTONIC nanoseconds, so the timing script can
// subtract the moment it started the process; besides the end points, the phases before them: the
// application object made (libraries loaded) and the first window shown (built).
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

class FirstPaintExit final : public QObject {
public:
    FirstPaintExit(QObject *parent, int usableParcels)
        : QObject(parent)
        , m_usableParcels(usableParcels) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!m_shown && event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            m_shown = true;
            std::fprintf(stderr, "shown: at %lld\n", monotonicNs());
        }
        if (m_window == nullptr && event->type() == QEvent::Paint) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget != nullptr && widget->isWindow()) {
                m_window = widget;
                // Named on stderr so the timing script can tell the main window from an error box,
                // and the install test can see that the window carries its icon.
                const QSize icon = widget->windowIcon().availableSizes().value(0, QSize(0, 0));
                std::fprintf(stderr, "first paint: %s, icon %dx%d, at %lld\n",
                             widget->metaObject()->className(), icon.width(), icon.height(), monotonicNs());
                if (m_usableParcels < 0) {
                    // Queued, so the children paint and the frame is flushed before the process ends.
                    QMetaObject::invokeMethod(
                        this, [] { _exit(0); }, Qt::QueuedConnection);
                } else {
                    watchUntilUsable();
                }
            }
        }
        return false;
    }

private:
    // Looked at every millisecond: the same delay for every program measured.
    void watchUntilUsable() {
        auto *poll = new QTimer(this);
        poll->setInterval(1);
        connect(poll, &QTimer::timeout, this, [this] {
            auto *picker = m_window->findChild<QComboBox *>(QStringLiteral("Text1"));
            if (picker != nullptr && picker->count() == m_usableParcels && picker->isEnabled() &&
                m_window->isEnabled() && QApplication::activeModalWidget() == nullptr) {
                std::fprintf(stderr, "usable: %d entries, at %lld\n", picker->count(), monotonicNs());
                _exit(0);
            }
        });
        poll->start();
    }

    const int m_usableParcels;
    bool m_shown = false;
    QWidget *m_window = nullptr;
};

void watchFirstPaint() {
    std::fprintf(stderr, "application: at %lld\n", monotonicNs());
    QCoreApplication *app = QCoreApplication::instance();
    const QByteArray parcels = qgetenv("PARCELBOOK_USABLE_PARCELS");
    app->installEventFilter(new FirstPaintExit(app, parcels.isEmpty() ? -1 : parcels.toInt()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)
