// The window's controls, built and placed.
#include "shell/WindowLayout.h"

#include "widgets/ParcelPicker.h"
#include "widgets/Placed.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"
#include "widgets/ToolbarIcons.h"

#include <QHeaderView>
#include <QLabel>
#include <QMovie>
#include <QTreeWidget>

namespace {

// Twips to pixels, at 15 twips per pixel.
constexpr int px(int twips) {
    return twips / 15;
}

void arrangeStatusRow(QWidget &window, WindowControls &controls) {
    const int top = px(7410) - 2;
    placed<QLabel>(QStringLiteral("Label11_0"), QStringLiteral("查询提示："), {px(120), top, px(900), 16},
                   &window);
    // The hint line takes the free width up to the version label, so long messages are not cut.
    controls.hintLine = placed<QLabel>(QStringLiteral("Label11_2"), QStringLiteral("程序检测更新中..."),
                                       {px(2040), top, px(6720) - px(2040) - 4, 16}, &window);
    controls.versionLabel = placed<QLabel>(QStringLiteral("Label11_3"), QStringLiteral("版本号"),
                                           {px(6720), top, px(900), 16}, &window);
    controls.makerLink = placed<QLabel>(QStringLiteral("Label11_4"), QStringLiteral("岚舟出品"),
                                        {px(7680), top, px(1740), 16}, &window);
    controls.clockLabel = placed<QLabel>(QStringLiteral("Label11_5"), QStringLiteral("Time"),
                                         {px(9480), top, px(2055), 16}, &window);
}

} // namespace

WindowControls arrangeWindow(QWidget &window) {
    window.setObjectName(QStringLiteral("kdform"));
    window.setWindowTitle(QStringLiteral("岚舟包裹通"));
    window.setFixedSize(770, 517);
    window.setAutoFillBackground(true);
    QPalette background = window.palette();
    background.setColor(QPalette::Window, Qt::white);
    window.setPalette(background);

    WindowControls controls;
    controls.settingsLink = placed<QLabel>(QStringLiteral("Label16_1"), QStringLiteral("设置"),
                                           {px(8760), px(90), 30, 16}, &window);
    controls.settingsLink->setToolTip(QStringLiteral("对程序进行相关设置，快捷键F9"));
    controls.overviewLink = placed<QLabel>(QStringLiteral("Label16_2"), QStringLiteral("全部快递"),
                                           {px(8760) - 60, px(90), 56, 16}, &window);
    controls.overviewLink->setToolTip(QStringLiteral("查看全部快递的最新进展，快捷键F2"));
    controls.overviewLink->setAccessibleName(QStringLiteral("全部快递"));
    controls.siteLink = placed<QLabel>(QStringLiteral("Label16_0"), QStringLiteral("官方网站"),
                                       {px(9360), px(90), 56, 16}, &window);

    controls.status = new StatusPanel(&window);
    // Four rows: the last holds the pickup code or the day the parcel is expected.
    controls.status->setGeometry(px(6480), px(420), px(4770), px(990));

    controls.icons = new ToolbarIcons(&window);

    controls.picker = new ParcelPicker(&window);
    controls.picker->setGeometry(px(360), px(1920) + 3, px(3975), 30);

    controls.busy =
        placed<QLabel>(QStringLiteral("AniGIF1"), QString(), {px(4335) + 12, px(1920) + 1, 32, 32}, &window);
    controls.busy->setMovie(new QMovie(QStringLiteral(":/parcelbook/busy.gif"), QByteArray(), controls.busy));
    controls.busy->hide();

    controls.list = new ProgressList(&window);
    controls.list->setGeometry(px(360), px(3000), px(10815), px(3855));

    arrangeStatusRow(window, controls);
    return controls;
}

void lockHeaders(QTreeWidget &list) {
    // Fixed sections can be neither dragged nor auto-sized by a double click on a divider.
    list.header()->setSectionResizeMode(QHeaderView::Fixed);
    list.header()->setStretchLastSection(false);
    list.header()->setSectionsMovable(false);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
}
