// Fuzz target: the site's version file and announcement as the program reads them.
#include "FuzzInput.h"

#include "tracking/TrackingText.h"

#include <algorithm>

namespace {

bool looksLikeVersion(const QString &trimmed) {
    return trimmed.startsWith(QLatin1Char('V')) && trimmed.size() > 1 &&
           std::all_of(trimmed.begin() + 1, trimmed.end(), [](QChar c) {
               return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
           });
}

void checkVersion(const QString &body) {
    const bool published = tracking::isPublishedVersion(body);
    if (published) {
        require(looksLikeVersion(body.trimmed()), "a published version is V, digits and dots");
    }
    require(tracking::isPublishedVersion(QStringLiteral(" \r\n") + body + QStringLiteral("\n")) == published,
            "blank lines around the version do not matter");
}

void checkAnnouncement(const QString &body) {
    const tracking::Announcement previous{QStringLiteral("旧公告"), QStringLiteral("http://127.0.0.1/old")};
    const tracking::Announcement read = tracking::readAnnouncement(body, previous);
    if (body.isEmpty()) {
        require(read.text == previous.text && read.address == previous.address,
                "an empty body keeps the link");
        return;
    }
    require(!read.text.contains(QLatin1Char('|')) && !read.address.contains(QLatin1Char('|')),
            "neither part of the link holds a separator");
    if (!body.contains(QLatin1Char('|'))) {
        require(read.text.isEmpty() && read.address == previous.address,
                "without a separator there is no text and the address stays");
        return;
    }
    require(body.startsWith(read.text + QLatin1Char('|') + read.address),
            "the link is the body's first two parts");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString body = fuzzText(data, size);
    checkVersion(body);
    checkAnnouncement(body);
    return 0;
}
