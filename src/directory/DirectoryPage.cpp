// Directory page layout.
#include "directory/DirectoryPage.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const char16_t *const quickPickCaptions[] = {u"顺丰快递", u"申通快递", u"中通", u"圆通", u"韵达", u"全峰",
                                             u"天天",     u"宅急送",   u"汇通", u"京东", u"EMS"};

} // namespace

DirectoryPage::DirectoryPage(QWidget *parent)
    : Page(4, QStringLiteral("快递公司列表"), QSize(9015, 6615), 60, parent)
    , m_list(new QTreeWidget(this))
    , m_search(new QLineEdit(this))
    , m_refresh(new QPushButton(QStringLiteral("刷新"), this)) {
    auto *searchCaption = new QLabel(QStringLiteral("搜索："), this);
    searchCaption->setGeometry(24, 34, 40, 24);
    m_search->setObjectName(QStringLiteral("Text8"));
    m_search->setGeometry(64, 34, 200, 24);
    m_refresh->setObjectName(QStringLiteral("Command4"));
    m_refresh->setGeometry(480, 32, 80, 28);

    m_list->setObjectName(QStringLiteral("ListView2"));
    m_list->setGeometry(24, 64, 553, 305);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("快递公司（ 双击选择 ）"),
                             QStringLiteral("公司电话（ 右键复制 ）")});
    m_list->setColumnWidth(0, 96);
    m_list->setColumnWidth(1, 180);
    m_list->setColumnWidth(2, 200);

    auto *strip = new QFrame(this);
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
        m_quickPicks[i] = pick;
    }
}
