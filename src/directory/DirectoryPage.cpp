// The courier directory: list, search, quick picks, choosing a company and copying its telephone.
#include "directory/DirectoryPage.h"

#include "store/CourierStore.h"
#include "widgets/Feedback.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const char16_t *const quickPickCaptions[] = {u"顺丰快递", u"申通快递", u"中通", u"圆通", u"韵达", u"全峰",
                                             u"天天",     u"宅急送",   u"汇通", u"京东", u"EMS"};

} // namespace

DirectoryPage::DirectoryPage(CourierStore &couriers, const Feedback &feedback, QWidget *parent)
    : Page(4, QStringLiteral("快递公司列表"), QSize(9015, 6615), 60, parent)
    , m_couriers(couriers)
    , m_feedback(feedback)
    , m_list(new QTreeWidget(this))
    , m_search(new QLineEdit(this))
    , m_refresh(new QPushButton(QStringLiteral("刷新"), this)) {
    auto *searchCaption = new QLabel(QStringLiteral("搜索："), this);
    searchCaption->setGeometry(24, 34, 40, 24);
    m_search->setObjectName(QStringLiteral("Text8"));
    m_search->setAccessibleName(QStringLiteral("搜索快递公司"));
    m_search->setGeometry(64, 34, 200, 24);
    m_search->setPlaceholderText(QStringLiteral("输入公司名称的一部分"));
    m_refresh->setObjectName(QStringLiteral("Command4"));
    m_refresh->setGeometry(480, 32, 80, 28);

    m_list->setObjectName(QStringLiteral("ListView2"));
    m_list->setAccessibleName(QStringLiteral("快递公司列表"));
    // Enter or Space on a row chooses it, as a double click does.
    m_list->installEventFilter(this);
    m_list->setGeometry(24, 64, 553, 305);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("快递公司（ 双击选择 ）"),
                             QStringLiteral("公司电话（ 右键复制 ）")});
    m_list->setColumnWidth(0, 96);
    m_list->setColumnWidth(1, 180);
    m_list->setColumnWidth(2, 200);

    auto *strip = new QFrame(this);
    m_quickPickStrip = strip;
    strip->setObjectName(QStringLiteral("Picture3"));
    strip->setGeometry(24, 376, 553, 52);
    auto *pickCaption = new QLabel(QStringLiteral("常用："), strip);
    pickCaption->setGeometry(0, 4, 40, 20);
    for (std::size_t i = 0; i < m_quickPicks.size(); ++i) {
        auto *pick = new QLabel(QString::fromUtf16(quickPickCaptions[i]), strip);
        pick->setObjectName(QStringLiteral("Label20_%1").arg(i));
        const int row = i < 6 ? 0 : 1;
        const int column = static_cast<int>(row == 0 ? i : i - 6);
        pick->setGeometry(44 + column * 80, 4 + row * 24, 76, 20);
        pick->setCursor(Qt::PointingHandCursor);
        pick->installEventFilter(this);
        actsOnClick(pick);
        m_quickPicks[i] = pick;
    }

    connect(m_search, &QLineEdit::textChanged, this, &DirectoryPage::searchChanged);
    connect(m_refresh, &QPushButton::clicked, this, &DirectoryPage::reload);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &DirectoryPage::choose);
    connect(m_list, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem *item) {
        if (QGuiApplication::mouseButtons() & Qt::RightButton) {
            copyTelephone(item);
        }
    });
}

void DirectoryPage::reload() {
    m_list->clear();
    listAllCouriers();
}

void DirectoryPage::listAllCouriers() {
    if (const Outcome<QList<CourierRow>> couriers = m_couriers.all(); !couriers) {
        m_feedback.hint(couriers.failure().said(QStringLiteral("快递公司读取")));
    } else {
        appendRows(*couriers);
    }
}

void DirectoryPage::showRows(const QList<CourierRow> &rows) {
    m_list->clear();
    appendRows(rows);
}

void DirectoryPage::appendRows(const QList<CourierRow> &rows) {
    QList<QTreeWidgetItem *> items;
    for (const CourierRow &row : rows) {
        items.append(new QTreeWidgetItem({QString::number(row.id), row.name, row.call}));
    }
    m_list->addTopLevelItems(items);
}

void DirectoryPage::searchChanged(const QString &text) {
    if (text.isEmpty()) {
        reload();
        return;
    }
    if (const Outcome<QList<CourierRow>> found = m_couriers.byNameContaining(text.trimmed()); !found) {
        m_feedback.inform(found.failure().said(QStringLiteral("快递公司查找")));
    } else {
        showRows(*found);
    }
}

void DirectoryPage::quickPick(std::size_t element) {
    const Outcome<QList<CourierRow>> found =
        m_couriers.byNameContaining(m_quickPicks[element]->text().trimmed());
    if (!found) {
        m_feedback.hint(found.failure().said(QStringLiteral("快递公司读取")));
    } else {
        showRows(*found);
    }
}

void DirectoryPage::choose(QTreeWidgetItem *item) {
    if (item) {
        Q_EMIT companyChosen(item->text(1));
    }
}

void DirectoryPage::copyTelephone(QTreeWidgetItem *item) {
    if (!item) {
        return;
    }
    QGuiApplication::clipboard()->setText(item->text(2));
    m_feedback.hint(item->text(1) + QStringLiteral("公司电话已复制.."));
}

bool DirectoryPage::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            m_list->currentItem()) {
            choose(m_list->currentItem());
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *release = static_cast<QMouseEvent *>(event);
        for (std::size_t i = 0; i < m_quickPicks.size(); ++i) {
            if (watched == m_quickPicks[i] && release->button() == Qt::LeftButton &&
                m_quickPicks[i]->rect().contains(release->position().toPoint())) {
                quickPick(i);
                return true;
            }
        }
    }
    return Page::eventFilter(watched, event);
}
