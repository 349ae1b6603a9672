// Fuzz target: the Date header a web server sends, read as the program's clock sees it.
#include "FuzzInput.h"

#include "net/WebTime.h"

#include <QLocale>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::optional<QDateTime> moment = readDateHeader(fuzzText(data, size));
    if (!moment) {
        return 0;
    }
    require(moment->isValid(), "a read moment is a valid date and time");
    require(moment->timeSpec() == Qt::OffsetFromUTC && moment->offsetFromUtc() == 8 * 3600,
            "a read moment stands on the program's +8 h offset");
    require(moment->time().msec() == 0, "a Date header has whole seconds");

    // Every accepted form names the same moment as its preferred form, which must read back.
    const QString preferred =
        QLocale::c().toString(moment->toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    const std::optional<QDateTime> again = readDateHeader(preferred);
    require(again.has_value() && *again == *moment,
            "the preferred form of a read moment reads back the same");
    require(readDateHeader(preferred.toLower()) == again, "names are read in any letter case");
    return 0;
}
