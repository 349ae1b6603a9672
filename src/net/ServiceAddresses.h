// The services the program talks to and the tracking account, as the user set them: a PARCELBOOK_*
// variable first, then the services file, then the built-in value (no address is built in).
#pragma once

#include <QString>
#include <QStringList>

struct TrackingService {
    QString address; // "/?id=…" is appended; empty while the user has set none
    QString accountId;
    QString accountKey;
    QString secondKey;

    bool isSet() const { return !address.isEmpty(); }
};

struct ServiceAddresses {
    TrackingService tracking;
    QString recognition; // "/autonumber/auto?num=…" is appended
    QString site;        // the product's site: version file, announcement, links, mail images
    QString makerSite;   // the maker's main site
    QString time;        // answers HEAD with a Date header
    QString probe;       // any page with a body: the connectivity test

    // Read afresh from the variables and the services file at every call.
    static ServiceAddresses configured();
};

// Where and as whom the update mail is submitted; empty values are not set.
struct MailSubmission {
    QString smtpUrl;
    QString from;
    QString user;
    QString password;
};

// Everything the services file holds.
struct ServiceSettings {
    ServiceAddresses addresses;
    MailSubmission mail;
};

namespace servicesfile {

// $XDG_CONFIG_HOME/parcelbook/services.conf; a relative XDG_CONFIG_HOME is ignored for ~/.config.
QString location();
// The values the file holds, nothing else: a missing file or key reads empty.
ServiceSettings read(const QString &file);
// Writes every value, the file 0600 in a folder created 0700; empty on success, else the reason.
QString write(const QString &file, const ServiceSettings &settings);
// Values trimmed, addresses without a trailing separator, the built-in value (the account only) where
// one is empty.
ServiceSettings withBuiltInValues(const ServiceSettings &given);
// The file's values under the variables, over the built-in values.
ServiceSettings resolve(const ServiceSettings &fromFile);
// resolve(read(location())).
ServiceSettings configured();
// The PARCELBOOK_* variables that are set and so win over the file.
QStringList overridingVariables();
// The hint a query gets while no tracking service is set.
QString trackingMissingText();

} // namespace servicesfile
