// Preloaded helper that ends the process right after the first top-level window has painted a frame.
#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

class FirstPaintExit final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!m_painted && event->type() == QEvent::Paint) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget != nullptr && widget->isWindow()) {
                m_painted = true;
                // Named on stderr so the timing script can tell the main window from an error box,
                // and the install test can see that the window carries its icon.
                const QSize icon = widget->windowIcon().availableSizes().value(0, QSize(0, 0));
                std::fprintf(stderr, "first paint: %s, icon %dx%d\n", widget->metaObject()->className(),
                             icon.width(), icon.height());
                // Queued, so the children paint and the frame is flushed before the process ends.
                QMetaObject::invokeMethod(
                    this, [] { _exit(0); }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    bool m_painted = false;
};

void watchFirstPaint() {
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new FirstPaintExit(app));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)
