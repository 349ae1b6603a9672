// Date header parsing for the web-time check.
#include "net/WebTime.h"

#include <QList>
#include <QStringView>
#include <QTime>

#include <array>

namespace {

constexpr int programOffsetSeconds = 8 * 3600;

constexpr std::array<const char *, 12> monthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char *, 7> shortDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char *, 7> longDayNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                      "Friday", "Saturday", "Sunday"};

template <std::size_t N> int indexOf(const std::array<const char *, N> &names, QStringView word) {
    for (std::size_t i = 0; i < N; ++i) {
        if (word.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int monthNumber(QStringView word) {
    return indexOf(monthNames, word) + 1;
}

bool isGmt(QStringView word) {
    return word.compare(QLatin1String("GMT"), Qt::CaseInsensitive) == 0;
}

// A run of minDigits..maxDigits ASCII digits and nothing else; -1 otherwise.
int number(QStringView text, qsizetype minDigits, qsizetype maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return -1;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// The weekday ends in a comma in the two GMT forms.
QStringView withoutComma(QStringView word) {
    return word.endsWith(QLatin1Char(',')) ? word.chopped(1) : QStringView();
}

std::optional<QDateTime> moment(int year, int month, int day, QStringView clock) {
    if (clock.size() != 8 || clock.at(2) != QLatin1Char(':') || clock.at(5) != QLatin1Char(':')) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    const QTime time(number(clock.mid(0, 2), 2, 2), number(clock.mid(3, 2), 2, 2),
                     number(clock.mid(6, 2), 2, 2));
    if (year < 0 || !date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC).toOffsetFromUtc(programOffsetSeconds);
}

// "Mon, 07 Dec 2026 03:25:00 GMT"
std::optional<QDateTime> fromRfc1123(const QList<QStringView> &words) {
    if (indexOf(shortDayNames, withoutComma(words.at(0))) < 0 || !isGmt(words.at(5))) {
        return std::nullopt;
    }
    return moment(number(words.at(3), 4, 4), monthNumber(words.at(2)), number(words.at(1), 1, 2),
                  words.at(4));
}

// "Monday, 07-Dec-26 03:25:00 GMT"
std::optional<QDateTime> fromRfc850(const QList<QStringView> &words) {
    const QList<QStringView> dayMonthYear = words.at(1).split(QLatin1Char('-'));
    if (indexOf(longDayNames, withoutComma(words.at(0))) < 0 || dayMonthYear.size() != 3 ||
        !isGmt(words.at(3))) {
        return std::nullopt;
    }
    // Two-digit years: servers still sending this form mean the years around now, not the 1900s only.
    int year = number(dayMonthYear.at(2), 2, 2);
    if (year >= 0) {
        year += year < 70 ? 2000 : 1900;
    }
    return moment(year, monthNumber(dayMonthYear.at(1)), number(dayMonthYear.at(0), 1, 2), words.at(2));
}

// "Mon Dec  7 03:25:00 2026", always meant as GMT.
std::optional<QDateTime> fromAsctime(const QList<QStringView> &words) {
    if (indexOf(shortDayNames, words.at(0)) < 0) {
        return std::nullopt;
    }
    return moment(number(words.at(4), 4, 4), monthNumber(words.at(1)), number(words.at(2), 1, 2),
                  words.at(3));
}

} // namespace

std::optional<QDateTime> readDateHeader(const QString &header) {
    const QList<QStringView> words = QStringView(header).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    switch (words.size()) {
    case 6:
        return fromRfc1123(words);
    case 4:
        return fromRfc850(words);
    case 5:
        return fromAsctime(words);
    default:
        return std::nullopt;
    }
}
