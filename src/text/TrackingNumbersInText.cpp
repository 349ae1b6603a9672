// Finding the tracking numbers of a pasted text in one pass over it.
#include "text/TrackingNumbersInText.h"

#include "text/TrackingNumber.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr qsizetype shortestNumber = 10;
constexpr qsizetype longestDigitsOnly = 16;
constexpr qsizetype longestWithLetters = 24;
constexpr qsizetype shortestLabelled = 8;
constexpr qsizetype longestLabelled = 30;
// How far back a label is looked for over blanks, colons and brackets, and how long one is at most.
constexpr qsizetype labelGap = 8;
constexpr qsizetype longestLabel = 6;

// Read back from a number: what the text says it is. The labels of something else are looked at first,
// as 订单号 ends like 单号.
const std::array otherLabels{u"订单号",   u"订单编号", u"订单",     u"交易号",   u"交易单号", u"交易编号",
                             u"支付单号", u"支付号",   u"流水号",   u"商户单号", u"商品编号", u"商品号",
                             u"货号",     u"发票号",   u"发票号码", u"退款编号", u"退款单号", u"售后单号",
                             u"服务单号", u"会员号",   u"卡号",     u"账号",     u"取件码",   u"提货码",
                             u"取货码",   u"验证码",   u"邮编",     u"身份证号", u"条码"};
const std::array phoneLabels{u"电话",     u"电话号码", u"手机", u"手机号",
                             u"手机号码", u"联系方式", u"客服", u"热线"};
const std::array trackingLabels{u"运单号",   u"运单号码", u"运单编号", u"快递单号", u"快递单号码", u"快递号",
                                u"物流单号", u"物流编号", u"物流号",   u"包裹单号", u"单号"};

enum class Label { None, Tracking, Phone, Other };

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isLetter(QChar c) {
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// What may stand between a label and its number.
bool isLabelSeparator(QChar c) {
    static const QString separators = QStringLiteral(" \t\r\n:：-[]【】()（）\"“”#＃|｜为是");
    return separators.contains(c);
}

// A letter and digit run as the scan found it: where it stands and how it was written.
struct Run {
    qsizetype start = 0;
    // Just past its last letter or digit.
    qsizetype end = 0;
    // Its letters and digits, and those before its first dash.
    qsizetype length = 0;
    qsizetype firstGroupLength = 0;
    // Parts between dashes.
    int groups = 1;
    // As the number rule reads it; made only for a run long enough to be a number.
    QString number;
    QString firstGroup;
};

QChar at(QStringView text, qsizetype index) {
    return index >= 0 && index < text.size() ? numberRuleCharacter(text[index]) : QChar();
}

Label labelBefore(QStringView text, qsizetype start) {
    qsizetype end = start;
    while (end > 0 && start - end < labelGap && isLabelSeparator(text[end - 1])) {
        --end;
    }
    const QStringView before = text.first(end).last(std::min(end, longestLabel));
    const auto endsWithOne = [before](const auto &labels) {
        return std::any_of(labels.begin(), labels.end(),
                           [before](const char16_t *label) { return before.endsWith(QStringView(label)); });
    };
    if (endsWithOne(otherLabels)) {
        return Label::Other;
    }
    if (endsWithOne(phoneLabels)) {
        return Label::Phone;
    }
    return endsWithOne(trackingLabels) ? Label::Tracking : Label::None;
}

// Joined to more letters and digits (an address, a file name, a decimal), or an amount of money.
bool joinedOrAmount(QStringView text, const Run &run) {
    static const QString joiners = QStringLiteral(".@_=%");
    const QChar before = at(text, run.start - 1);
    const QChar after = at(text, run.end);
    if ((joiners.contains(before) && isNumberLetterOrDigit(at(text, run.start - 2))) ||
        (joiners.contains(after) && isNumberLetterOrDigit(at(text, run.end + 1))) ||
        before == QLatin1Char('+')) {
        return true;
    }
    qsizetype left = run.start - 1;
    while (isBlank(at(text, left))) {
        --left;
    }
    qsizetype right = run.end;
    while (isBlank(at(text, right))) {
        ++right;
    }
    const QChar currency = at(text, left);
    return currency == u'¥' || currency == u'￥' || currency == QLatin1Char('$') || at(text, right) == u'元';
}

bool allDigits(QStringView number) {
    return std::all_of(number.begin(), number.end(), isDigit);
}

bool isMobileNumber(QStringView number) {
    return number.size() == 11 && number[0] == QLatin1Char('1') && number[1] >= QLatin1Char('3') &&
           allDigits(number);
}

bool isDateTime(QStringView number) {
    if ((number.size() != 12 && number.size() != 14) || !number.startsWith(u"20") || !allDigits(number)) {
        return false;
    }
    const QString format =
        number.size() == 12 ? QStringLiteral("yyyyMMddHHmm") : QStringLiteral("yyyyMMddHHmmss");
    return QDateTime::fromString(number.toString(), format).isValid();
}

// A telephone number written in groups: an area code (0571-88886666) or a service line (400-820-8820).
bool isGroupedPhone(const Run &run) {
    const bool areaCode = run.firstGroup.size() >= 3 && run.firstGroup.size() <= 4 &&
                          run.firstGroup.startsWith(QLatin1Char('0'));
    const bool serviceLine = run.firstGroup == u"400" || run.firstGroup == u"800";
    return run.groups > 1 && (areaCode || serviceLine) && allDigits(run.number);
}

bool hasCourierShape(QStringView number) {
    if (number.size() < shortestNumber) {
        return false;
    }
    const auto firstDigit = std::find_if(number.begin(), number.end(), isDigit);
    const auto pastDigits = std::find_if_not(firstDigit, number.end(), isDigit);
    const auto leading = firstDigit - number.begin();
    const auto digits = pastDigits - firstDigit;
    const auto trailing = number.end() - pastDigits;
    if (!std::all_of(pastDigits, number.end(), isLetter)) {
        return false;
    }
    if (leading == 0 && trailing == 0) {
        return digits <= longestDigitsOnly;
    }
    return leading <= 4 && trailing <= 2 && digits >= 8 && number.size() <= longestWithLetters;
}

// The run's letters and digits as the number rule reads them.
void readNumber(QStringView text, Run &run) {
    run.number.reserve(run.length);
    for (qsizetype i = run.start; i < run.end; ++i) {
        if (const QChar c = numberRuleCharacter(text[i]); isNumberLetterOrDigit(c)) {
            run.number.append(c.toUpper());
        }
    }
    run.firstGroup = run.number.left(run.firstGroupLength);
}

std::optional<FoundNumber> reading(QStringView text, Run &run) {
    if (run.length < shortestLabelled || joinedOrAmount(text, run)) {
        return std::nullopt;
    }
    readNumber(text, run);
    const Label label = labelBefore(text, run.start);
    if (label == Label::Other) {
        return std::nullopt;
    }
    if (isMobileNumber(run.number)) {
        return FoundNumber{run.number, true};
    }
    if (label == Label::Phone || isGroupedPhone(run) || isDateTime(run.number)) {
        return std::nullopt;
    }
    const bool labelled = label == Label::Tracking && run.number.size() <= longestLabelled &&
                          std::any_of(run.number.begin(), run.number.end(), isDigit);
    if (labelled || hasCourierShape(run.number)) {
        return FoundNumber{run.number, false};
    }
    return std::nullopt;
}

} // namespace

QList<FoundNumber> trackingNumbersInText(QStringView text) {
    QList<FoundNumber> found;
    QSet<QString> seen;
    Run run;
    bool inRun = false;
    bool afterDash = false;
    const auto endRun = [&] {
        if (inRun) {
            if (std::optional<FoundNumber> number = reading(text, run);
                number && !seen.contains(number->number)) {
                seen.insert(number->number);
                found.append(std::move(*number));
            }
        }
        inRun = false;
    };
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const QChar c = at(text, i);
        if (isNumberLetterOrDigit(c)) {
            if (!inRun) {
                run = Run{i, i, 0, 0, 1, {}, {}};
                inRun = true;
                afterDash = false;
            } else if (afterDash) {
                ++run.groups;
                afterDash = false;
            }
            ++run.length;
            run.firstGroupLength += run.groups == 1 ? 1 : 0;
            run.end = i + 1;
        } else if (c == QLatin1Char('-') && inRun) {
            // As the number rule reads it, a dash never ends a run; it only parts its groups.
            afterDash = true;
        } else {
            endRun();
        }
    }
    return found;
}
