// Progress list gestures and the large-type view.
#include "book/ProgressGestures.h"

#include "tracker/UserSettings.h"
#include "widgets/BalloonTip.h"
#include "widgets/Feedback.h"
#include "widgets/PlainText.h"
#include "widgets/ProgressList.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTreeWidget>

namespace {

const QString nothingToShow = QStringLiteral("当前没有物流信息");

QString entryText(const ProgressEntry &entry) {
    return entry.time + QStringLiteral(" ") + entry.context;
}

} // namespace

ProgressGestures::ProgressGestures(ProgressList &list, const Feedback &feedback, const UserSettings &switches,
                                   QWidget *window)
    : QObject(window)
    , m_list(list)
    , m_feedback(feedback)
    , m_switches(switches)
    , m_largeView(new QFrame(window))
    , m_largeText(new QLabel(m_largeView)) {
    m_largeView->setObjectName(QStringLiteral("Picture5"));
    m_largeView->setGeometry(0, 0, 11550 / 15, 7755 / 15);
    m_largeView->setAutoFillBackground(true);
    m_largeView->setBackgroundRole(QPalette::Window);
    m_largeView->hide();
    m_largeText->setObjectName(QStringLiteral("Label23"));
    m_largeText->setGeometry(0, 1320 / 15, 10785 / 15, 4410 / 15);
    m_largeText->setWordWrap(true);
    // A service's progress line, shown as it stands: a tag in it is text, not markup.
    showAsPlainText(*m_largeText);
    QFont large = m_largeText->font();
    large.setPointSize(36);
    large.setBold(false);
    m_largeText->setFont(large);
    m_largeView->installEventFilter(this);
    m_largeText->installEventFilter(this);
    m_list.viewport()->installEventFilter(this);
    // The balloon tells of a row of the list as it was; emptied or refilled, the list has no such row.
    connect(&m_list, &ProgressList::entriesReplaced, this, [this] {
        delete m_balloon;
        m_balloon = nullptr;
    });
}

std::optional<ProgressEntry> ProgressGestures::selectedEntry() const {
    std::optional<ProgressEntry> entry = m_list.selectedEntry();
    if (!entry) {
        m_feedback.hint(nothingToShow);
    }
    return entry;
}

bool ProgressGestures::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_largeView || watched == m_largeText) {
        if (event->type() == QEvent::MouseButtonRelease) {
            m_largeView->hide();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
    // Only mouse events are read as such.
    const auto button = [event] {
        return static_cast<const QMouseEvent *>(event)->button();
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // The large view takes the row that is selected when the button goes down.
        if (button() == Qt::RightButton) {
            rightPressed();
        }
        break;
    case QEvent::MouseButtonRelease:
        if (button() == Qt::LeftButton) {
            clicked();
        }
        break;
    case QEvent::MouseButtonDblClick:
        // The first click of the pair has already selected the row under the pointer.
        if (button() == Qt::LeftButton) {
            doubleClicked();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void ProgressGestures::clicked() {
    if (!m_switches.balloonOn()) {
        return;
    }
    const std::optional<ProgressEntry> entry = selectedEntry();
    if (!entry) {
        return;
    }
    if (!m_balloon) {
        m_balloon = new BalloonTip(this);
    }
    m_balloon->setParentControl(&m_list);
    m_balloon->setTitle(QStringLiteral("物流跟踪信息"));
    m_balloon->setText(QStringLiteral("时间:") + entry->time + QStringLiteral("\r\n物流进度:") +
                       entry->context);
    m_balloon->create();
}

void ProgressGestures::doubleClicked() {
    const std::optional<ProgressEntry> entry = selectedEntry();
    if (!entry) {
        return;
    }
    QGuiApplication::clipboard()->setText(entryText(*entry));
    m_feedback.hint(QStringLiteral("单条物流进度已复制.."));
}

void ProgressGestures::rightPressed() {
    const std::optional<ProgressEntry> entry = selectedEntry();
    if (!entry) {
        return;
    }
    m_largeView->move(0, 0);
    m_largeView->show();
    m_largeView->raise();
    m_largeText->setText(entryText(*entry));
}
