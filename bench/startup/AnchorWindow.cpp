// The bare Qt Widgets program the real start-up is measured against: one window, a combo and a tree.
#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(770, 517);
    auto *combo = new QComboBox(&window);
    combo->setGeometry(24, 131, 265, 30);
    auto *tree = new QTreeWidget(&window);
    tree->setGeometry(24, 200, 721, 257);
    tree->setHeaderLabels({QStringLiteral("Num"), QStringLiteral("时间"), QStringLiteral("物流进度")});
    window.show();
    return QApplication::exec();
}
