// Defaults of the service addresses, kept in this one place.
#include "net/ServiceAddresses.h"

namespace {

QString fromEnvironment(const char *name, const QString &fallback) {
    QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) {
        value = fallback;
    }
    while (value.endsWith(QLatin1Char('/'))) {
        value.chop(1);
    }
    return value;
}

} // namespace

ServiceAddresses ServiceAddresses::fromEnvironment() {
    ServiceAddresses addresses;
    addresses.tracking =
        ::fromEnvironment("PARCELBOOK_TRACKING_URL", QStringLiteral("https://api.baoguo.lanzhou.example"));
    addresses.recognition = ::fromEnvironment("PARCELBOOK_RECOGNITION_URL",
                                              QStringLiteral("https://autonumber.baoguo.lanzhou.example"));
    addresses.site =
        ::fromEnvironment("PARCELBOOK_SITE_URL", QStringLiteral("https://baoguo.lanzhou.example"));
    addresses.makerSite =
        ::fromEnvironment("PARCELBOOK_MAKER_URL", QStringLiteral("https://www.lanzhou.example"));
    addresses.time = ::fromEnvironment("PARCELBOOK_TIME_URL", QStringLiteral("https://time.lanzhou.example"));
    addresses.probe =
        ::fromEnvironment("PARCELBOOK_PROBE_URL", QStringLiteral("https://www.lanzhou.example"));
    return addresses;
}
