// The add-from-text dialog: numbers found, companies recognised, the ticked ones added in turn.
#include "book/AddFromTextDialog.h"

#include "book/ParcelBook.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "text/TrackingNumbersInText.h"
#include "tracker/AddSeries.h"
#include "tracker/ParcelTracker.h"
#include "tracking/CourierRecognition.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Column { NumberColumn, CompanyColumn, GoodsColumn, NoteColumn };

const QString addCaption = QStringLiteral("添加勾选的快递");
// Typing in the box lists anew once the typing pauses, not at every key.
constexpr int findDelayMs = 200;

QString noteOf(const AddResult &result) {
    switch (result.kind) {
    case AddResult::Kind::Added:
        return QStringLiteral("已添加");
    case AddResult::Kind::KeptUnknown:
        return QStringLiteral("已添加,暂无物流信息");
    case AddResult::Kind::AlreadyInBook:
        return QStringLiteral("已在快递列表中");
    case AddResult::Kind::NotAdded:
        break;
    }
    return QStringLiteral("未添加:") + result.failure.value_or(Failure{}).reason;
}

} // namespace

AddFromTextDialog::AddFromTextDialog(Collaborators collaborators, QWidget *parent)
    : QDialog(parent)
    , m_with(collaborators)
    , m_text(new QPlainTextEdit(this))
    , m_found(new QTableWidget(0, 4, this))
    , m_status(new QLabel(this))
    , m_add(new QPushButton(addCaption, this))
    , m_findTimer(new QTimer(this))
    , m_series(new AddSeries(m_with.book.tracker(), this)) {
    setObjectName(QStringLiteral("addFromText"));
    setWindowTitle(QStringLiteral("从文本添加"));
    resize(660, 480);

    m_text->setObjectName(QStringLiteral("pastedText"));
    m_text->setAccessibleName(QStringLiteral("粘贴的文字"));
    m_text->setPlaceholderText(QStringLiteral("把订单邮件、短信等文字粘贴到这里,程序会找出其中的快递单号"));
    m_found->setObjectName(QStringLiteral("foundNumbers"));
    m_found->setAccessibleName(QStringLiteral("找到的单号"));
    m_found->setHorizontalHeaderLabels(
        {QStringLiteral("单号"), QStringLiteral("快递公司"), QStringLiteral("物品"), QStringLiteral("说明")});
    m_found->verticalHeader()->hide();
    m_found->setSelectionMode(QAbstractItemView::NoSelection);
    m_found->setColumnWidth(NumberColumn, 170);
    m_found->setColumnWidth(CompanyColumn, 130);
    m_found->setColumnWidth(GoodsColumn, 130);
    m_found->horizontalHeader()->setStretchLastSection(true);
    m_status->setObjectName(QStringLiteral("addFromTextStatus"));
    m_status->setWordWrap(true);
    m_add->setObjectName(QStringLiteral("addTicked"));
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("closeAddFromText"));
    m_findTimer->setObjectName(QStringLiteral("findTimer"));
    m_findTimer->setSingleShot(true);
    m_findTimer->setInterval(findDelayMs);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_add);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("粘贴订单邮件或短信,勾选要添加的单号,核对快递公司,物品可以不填:"), this));
    layout->addWidget(m_text, 2);
    layout->addWidget(m_found, 3);
    layout->addLayout(buttons);

    if (const Outcome<QList<CourierRow>> couriers = m_with.book.couriers().all(); !couriers) {
        m_status->setText(couriers.failure().said(QStringLiteral("快递公司读取")));
    } else {
        for (const CourierRow &courier : *couriers) {
            m_companies.append(courier.name);
        }
    }

    connect(m_text, &QPlainTextEdit::textChanged, m_findTimer, qOverload<>(&QTimer::start));
    connect(m_findTimer, &QTimer::timeout, this, &AddFromTextDialog::findNumbers);
    connect(m_add, &QPushButton::clicked, this, [this] {
        if (m_series->running()) {
            m_series->stop();
        } else {
            addTicked();
        }
    });
    connect(close, &QPushButton::clicked, this, &AddFromTextDialog::reject);
    connect(m_series, &AddSeries::adding, this, [this](int position, int count) {
        m_status->setText(QStringLiteral("正在添加 %1/%2 ...").arg(position).arg(count));
    });
    connect(m_series, &AddSeries::added, this, &AddFromTextDialog::added);
    connect(m_series, &AddSeries::finished, this, &AddFromTextDialog::finished);
}

void AddFromTextDialog::setText(const QString &text) {
    m_text->setPlainText(text);
    m_findTimer->stop();
    findNumbers();
}

void AddFromTextDialog::reject() {
    m_series->stop();
    QDialog::reject();
}

void AddFromTextDialog::findNumbers() {
    readChoices();
    const QList<FoundNumber> found = trackingNumbersInText(m_text->toPlainText());
    m_listed.clear();
    for (const FoundNumber &number : found) {
        if (m_listed.size() == mostListed) {
            break;
        }
        m_listed.append(number.number);
        if (!m_choices.contains(number.number)) {
            m_choices.insert(number.number, firstChoice(number));
        }
    }
    showRows();
    if (found.size() > mostListed) {
        m_status->setText(QStringLiteral("找到 %1 个单号,只列出前 %2 个").arg(found.size()).arg(mostListed));
    } else if (!found.isEmpty()) {
        m_status->setText(QStringLiteral("找到 %1 个单号").arg(found.size()));
    } else {
        m_status->setText(m_text->toPlainText().trimmed().isEmpty() ? QString()
                                                                    : QStringLiteral("没有找到快递单号"));
    }
}

AddFromTextDialog::Choice AddFromTextDialog::firstChoice(const FoundNumber &found) {
    Choice choice;
    choice.mobileLike = found.mobileLike;
    if (const Outcome<QList<ParcelRow>> inBook = m_with.book.parcels().byNumber(found.number); !inBook) {
        choice.note = inBook.failure().said(QStringLiteral("快递列表读取"));
    } else {
        choice.inBook = !inBook->isEmpty();
    }
    choice.ticked = !choice.mobileLike && !choice.inBook;
    if (choice.inBook) {
        choice.note = QStringLiteral("已在快递列表中");
    } else if (choice.mobileLike) {
        choice.note = QStringLiteral("像是手机号,确认是快递单号再勾选");
    }
    if (recognitionAsks(m_with.recognitionAddress, found.number)) {
        choice.recognising = true;
        const QString number = found.number;
        recogniseCourier(m_with.web, m_with.recognitionAddress, m_with.book.couriers(), number, this,
                         [this, number](const CourierGuess &guess) { recognised(number, guess); });
    } else if (choice.note.isEmpty()) {
        choice.note = QStringLiteral("请选择快递公司");
    }
    return choice;
}

void AddFromTextDialog::recognised(const QString &number, const CourierGuess &guess) {
    readChoices();
    Choice &choice = m_choices[number];
    choice.recognising = false;
    // What the user chose meanwhile stays.
    if (guess.kind == CourierGuess::Kind::Named && choice.company.isEmpty()) {
        choice.company = guess.company;
    } else if (guess.kind != CourierGuess::Kind::Named && choice.note.isEmpty()) {
        choice.note =
            guess.kind == CourierGuess::Kind::Silent ? QStringLiteral("请选择快递公司") : guess.text();
    }
    if (const qsizetype row = m_listed.indexOf(number); row >= 0) {
        showRow(int(row));
    }
}

void AddFromTextDialog::readChoices() {
    for (int row = 0; row < m_found->rowCount() && row < m_listed.size(); ++row) {
        Choice &choice = m_choices[m_listed[row]];
        choice.ticked = m_found->item(row, NumberColumn)->checkState() == Qt::Checked;
        choice.company = static_cast<QComboBox *>(m_found->cellWidget(row, CompanyColumn))->currentText();
        choice.goods = static_cast<QLineEdit *>(m_found->cellWidget(row, GoodsColumn))->text();
    }
}

void AddFromTextDialog::showRows() {
    m_found->setRowCount(0);
    m_found->setRowCount(int(m_listed.size()));
    for (int row = 0; row < m_listed.size(); ++row) {
        auto *number = new QTableWidgetItem(m_listed[row]);
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        m_found->setItem(row, NumberColumn, number);
        auto *company = new QComboBox(m_found);
        company->setEditable(true);
        company->setInsertPolicy(QComboBox::NoInsert);
        company->addItems(m_companies);
        company->setAccessibleName(QStringLiteral("快递公司"));
        m_found->setCellWidget(row, CompanyColumn, company);
        auto *goods = new QLineEdit(m_found);
        goods->setAccessibleName(QStringLiteral("物品信息"));
        goods->setPlaceholderText(QStringLiteral("可不填"));
        m_found->setCellWidget(row, GoodsColumn, goods);
        auto *note = new QTableWidgetItem;
        note->setFlags(Qt::ItemIsEnabled);
        m_found->setItem(row, NoteColumn, note);
        showRow(row);
    }
}

void AddFromTextDialog::showRow(int row) {
    const Choice &choice = m_choices[m_listed[row]];
    m_found->item(row, NumberColumn)->setCheckState(choice.ticked ? Qt::Checked : Qt::Unchecked);
    auto *company = static_cast<QComboBox *>(m_found->cellWidget(row, CompanyColumn));
    company->setEditText(choice.company);
    company->lineEdit()->setPlaceholderText(choice.recognising ? QStringLiteral("正在识别...")
                                                               : QStringLiteral("请选择"));
    static_cast<QLineEdit *>(m_found->cellWidget(row, GoodsColumn))->setText(choice.goods);
    m_found->item(row, NoteColumn)->setText(choice.note);
    m_found->item(row, NoteColumn)->setToolTip(choice.note);
}

void AddFromTextDialog::addTicked() {
    readChoices();
    QList<TrackedParcel> parcels;
    QStringList numbers;
    for (int row = 0; row < m_listed.size(); ++row) {
        Choice &choice = m_choices[m_listed[row]];
        if (!choice.ticked) {
            continue;
        }
        const Outcome<std::optional<CourierRow>> typed = m_with.book.couriers().byTypedName(choice.company);
        if (!typed.ok()) {
            m_status->setText(typed.failure().said(QStringLiteral("快递公司读取")));
            return;
        }
        const std::optional<CourierRow> &courier = *typed;
        if (!courier) {
            choice.note = QStringLiteral("请选择快递公司");
            showRow(row);
            m_found->cellWidget(row, CompanyColumn)->setFocus();
            m_status->setText(QStringLiteral("单号 %1 还没有选好快递公司").arg(m_listed[row]));
            return;
        }
        choice.company = courier->name;
        showRow(row);
        parcels.append({ParcelId(), m_listed[row], courier->name, courier->code, choice.goods, std::nullopt});
        numbers.append(m_listed[row]);
    }
    if (parcels.isEmpty()) {
        m_status->setText(QStringLiteral("请先勾选要添加的单号"));
        return;
    }
    // An add would replace the query under way, which the user is waiting for.
    if (m_with.book.tracker().busy()) {
        m_status->setText(QStringLiteral("正在查询,请稍候再添加.."));
        return;
    }
    m_adding = numbers;
    m_storedCount = 0;
    m_failedCount = 0;
    setRunning(true);
    m_series->start(parcels);
}

void AddFromTextDialog::added(int position, const AddResult &result) {
    const QString number = m_adding.value(position - 1);
    Choice &choice = m_choices[number];
    choice.note = noteOf(result);
    if (result.stored() || result.kind == AddResult::Kind::AlreadyInBook) {
        choice.ticked = false;
        choice.inBook = true;
    }
    m_storedCount += result.stored() ? 1 : 0;
    m_failedCount += result.stored() ? 0 : 1;
    if (const qsizetype row = m_listed.indexOf(number); row >= 0) {
        showRow(int(row));
    }
}

void AddFromTextDialog::finished() {
    const int notBegun = int(m_adding.size()) - m_storedCount - m_failedCount;
    QString said = QStringLiteral("添加完毕:%1 个已添加").arg(m_storedCount);
    if (m_failedCount > 0) {
        said += QStringLiteral(",%1 个没有添加,原因见各行说明").arg(m_failedCount);
    }
    if (notBegun > 0) {
        said += QStringLiteral(";已停止,其余 %1 个没有添加").arg(notBegun);
    }
    m_status->setText(said);
    setRunning(false);
}

void AddFromTextDialog::setRunning(bool running) {
    m_text->setReadOnly(running);
    m_found->setEnabled(!running);
    m_add->setText(running ? QStringLiteral("停止添加") : addCaption);
}
