// The bare Qt Widgets program the real start-up is measured against: one window, a combo and a tree.
// Given a file of goods texts (one a line, UTF-8), it fills the combo with them before it shows.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTreeWidget>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(770, 517);
    auto *combo = new QComboBox(&window);
    combo->setObjectName(QStringLiteral("Text1"));
    combo->setGeometry(24, 131, 265, 30);
    if (argc > 1) {
        QFile goods(QString::fromLocal8Bit(argv[1]));
        if (!goods.open(QIODevice::ReadOnly)) {
            return 1;
        }
        QStringList texts = QString::fromUtf8(goods.readAll()).split(QLatin1Char('\n'));
        texts.removeLast();
        combo->addItems(texts);
        combo->setCurrentIndex(-1);
    }
    auto *tree = new QTreeWidget(&window);
    tree->setGeometry(24, 200, 721, 257);
    tree->setHeaderLabels({QStringLiteral("Num"), QStringLiteral("时间"), QStringLiteral("物流进度")});
    window.show();
    return QApplication::exec();
}
