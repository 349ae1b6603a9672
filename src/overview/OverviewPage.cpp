// The overview page: its table, filter, picks, watch preferences and the systemd timer button.
#include "overview/OverviewPage.h"

#include "book/ParcelBook.h"
#include "overview/OverviewModel.h"
#include "platform/Platform.h"
#include "platform/WatchTimerSwitch.h"
#include "store/BookFeed.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "tracker/UserSettings.h"
#include "widgets/Feedback.h"
#include "widgets/Placed.h"
#include "widgets/PlainText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

OverviewPage::OverviewPage(Collaborators collaborators, QWidget *parent)
    : Page(5, QStringLiteral("全部快递"), QSize(11100, 7050), 60, parent)
    , m_with(collaborators)
    , m_model(new OverviewModel(this))
    , m_filter(placed<QComboBox>(QStringLiteral("overviewFilter"), {}, {64, 34, 110, 24}, this))
    , m_table(placed<QTableView>(QStringLiteral("overviewTable"), {}, {16, 64, 708, 298}, this))
    , m_detail(placed<QLabel>(QStringLiteral("overviewDetail"), {}, {16, 366, 708, 40}, this))
    , m_watchOn(placed<QCheckBox>(QStringLiteral("watchOn"), QStringLiteral("后台检查新进展，每"),
                                  {16, 414, 150, 24}, this))
    , m_watchMinutes(placed<QSpinBox>(QStringLiteral("watchMinutes"), {}, {168, 414, 70, 24}, this))
    , m_watchAtBoot(placed<QPushButton>(QStringLiteral("watchAtBoot"), QStringLiteral("开机后在后台检查"),
                                        {574, 410, 150, 30}, this))
    , m_watchTimer(new WatchTimerSwitch(this))
    , m_follow(new QTimer(this)) {
    placed<QLabel>({}, QStringLiteral("显示："), {16, 34, 48, 24}, this);
    m_filter->addItem(QStringLiteral("全部"), static_cast<int>(OverviewFilter::All));
    m_filter->addItem(QStringLiteral("进行中"), static_cast<int>(OverviewFilter::InProgress));
    m_filter->addItem(QStringLiteral("已签收"), static_cast<int>(OverviewFilter::SignedFor));
    m_filter->setAccessibleName(QStringLiteral("显示哪些快递"));
    connect(m_filter, &QComboBox::activated, this,
            [this] { m_model->setFilter(static_cast<OverviewFilter>(m_filter->currentData().toInt())); });

    m_table->setModel(m_model);
    m_table->setAccessibleName(QStringLiteral("全部快递列表"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Fixed row heights let the view lay out ten thousand rows without measuring each.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(22);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // The pickup code or expected day stands beside the state; the time of the newest progress, last,
    // scrolls into view.
    const int widths[] = {110, 120, 72, 100, 150, 150, 130};
    for (int column = 0; column < OverviewModel::ColumnCount; ++column) {
        m_table->setColumnWidth(column, widths[column]);
    }
    // Enter and a double click both activate a row.
    connect(m_table, &QTableView::activated, this, &OverviewPage::pickParcelAt);
    // The newest progress and its time are wider than their columns: the selected row's stand in full
    // below the table.
    showAsPlainText(*m_detail);
    m_detail->setWordWrap(true);
    m_detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_detail->setAccessibleName(QStringLiteral("所选快递的最新进展"));
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &OverviewPage::showDetail);

    m_watchOn->setAccessibleName(QStringLiteral("后台检查新进展"));
    m_filter->setAccessibleName(QStringLiteral("显示哪些快递"));
    m_watchMinutes->setRange(5, 720);
    m_watchMinutes->setAccessibleName(QStringLiteral("后台检查间隔（分钟）"));
    placed<QLabel>({}, QStringLiteral("分钟"), {242, 414, 40, 24}, this);
    connect(m_watchOn, &QCheckBox::toggled, this, &OverviewPage::storeWatch);
    connect(m_watchMinutes, &QSpinBox::valueChanged, this, &OverviewPage::storeWatch);

    m_follow->setObjectName(QStringLiteral("overviewFollow"));
    m_follow->setSingleShot(true);
    m_follow->setInterval(followDelayMs);
    connect(m_follow, &QTimer::timeout, this, &OverviewPage::showLines);
    if (BookFeed *feed = m_with.book.parcels().database().feed()) {
        connect(feed, &BookFeed::parcelAdded, this, &OverviewPage::followBook);
        connect(feed, &BookFeed::parcelEdited, this, &OverviewPage::followBook);
        connect(feed, &BookFeed::parcelRemoved, this, &OverviewPage::followBook);
        connect(feed, &BookFeed::bookCleared, this, &OverviewPage::followBook);
        connect(feed, &BookFeed::progressStored, this, &OverviewPage::followBook);
    }

    m_watchAtBoot->setAccessibleName(QStringLiteral("开机后在后台检查"));
    connect(m_watchAtBoot, &QPushButton::clicked, this, &OverviewPage::enableWatchAtBoot);
    connect(m_watchTimer, &WatchTimerSwitch::reported, this, &OverviewPage::watchAtBootEnded);
}

void OverviewPage::showEvent(QShowEvent *event) {
    Page::showEvent(event);
    reload();
    m_table->setFocus();
}

void OverviewPage::followBook() {
    // A pass of the watch stores many answers in a row: the lines are read again at most every
    // followDelayMs, and only while the page is shown (showing it reads them anyway).
    if (isVisible() && !m_follow->isActive()) {
        m_follow->start();
    }
}

void OverviewPage::showLines() {
    const std::optional<ParcelId> selected = m_model->parcelAt(m_table->currentIndex().row());
    const int scrolled = m_table->verticalScrollBar()->value();
    const Outcome<QList<OverviewRow>> rows = m_with.progress.overview();
    if (!rows) {
        m_with.feedback.hint(rows.failure().said(QStringLiteral("快递进展读取")));
        return;
    }
    m_model->setLines(overview::linesOf(*rows, m_with.clock.now()));
    // The lines read again keep the user's place: the same parcel selected, the same rows in view.
    for (int row = 0; selected && row < m_model->rowCount(); ++row) {
        if (m_model->parcelAt(row) == selected) {
            m_table->setCurrentIndex(m_model->index(row, 0));
            break;
        }
    }
    m_table->verticalScrollBar()->setValue(scrolled);
    showDetail(m_table->currentIndex());
}

void OverviewPage::showDetail(const QModelIndex &current) {
    if (!current.isValid()) {
        m_detail->clear();
        return;
    }
    const auto text = [&](int column) {
        return m_model->index(current.row(), column).data().toString();
    };
    const QString time = text(OverviewModel::Time);
    m_detail->setText(time.isEmpty() ? text(OverviewModel::Newest)
                                     : time + QStringLiteral("  ") + text(OverviewModel::Newest));
}

void OverviewPage::reload() {
    showLines();
    const QSignalBlocker blockOn(m_watchOn);
    const QSignalBlocker blockMinutes(m_watchMinutes);
    m_watchOn->setChecked(m_with.settings.watchOn());
    m_watchMinutes->setValue(m_with.settings.watchMinutes());
    const bool found = WatchTimerSwitch::available();
    m_watchAtBoot->setEnabled(found && !m_watchTimer->busy());
    m_watchAtBoot->setToolTip(found ? QStringLiteral("开机后由系统定时在后台检查新进展，无需打开窗口")
                                    : QStringLiteral("本机没有 systemctl，无法在开机后后台检查"));
}

void OverviewPage::pickParcelAt(const QModelIndex &index) {
    const std::optional<ParcelId> id = m_model->parcelAt(index.row());
    if (!id) {
        return;
    }
    // The page stays open over a refused pick, so the user sees the parcels and why.
    if (const Outcome<> picked = m_with.book.pickFromView(*id); !picked) {
        m_with.feedback.hint(picked.failure().reason);
        return;
    }
    hide();
}

void OverviewPage::storeWatch() {
    if (const Outcome<> stored = m_with.settings.setWatch(m_watchOn->isChecked(), m_watchMinutes->value());
        !stored) {
        m_with.feedback.hint(stored.failure().said(QStringLiteral("后台检查设置保存")));
    }
}

void OverviewPage::enableWatchAtBoot() {
    if (!WatchTimerSwitch::available() || m_watchTimer->busy()) {
        return;
    }
    m_watchAtBoot->setEnabled(false);
    m_with.feedback.hint(QStringLiteral("正在启用开机后台检查.."));
    m_watchTimer->enable();
}

void OverviewPage::watchAtBootEnded(const QString &sentence) {
    m_with.feedback.hint(sentence);
    m_watchAtBoot->setEnabled(true);
}
