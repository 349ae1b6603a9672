// The services the program talks to and the tracking account, as the user set them: a PARCELBOOK_*
// variable first, then the services file, then the built-in value (no address is built in).
#pragma once

#include "text/Failure.h"

#include <QString>
#include <QStringList>

#include <optional>

struct TrackingService {
    QString address; // "/?id=…" is appended; empty while the user has set none
    QString accountId;
    QString accountKey;
    QString secondKey;
    // Why the address is empty although the user gave one: the services file could not be read, or
    // what was given is no web address. None when the address is set or was never given.
    std::optional<Failure> problem = {};

    bool isSet() const { return !address.isEmpty(); }
};

struct ServiceAddresses {
    TrackingService tracking;
    QString recognition; // "/autonumber/auto?num=…" is appended
    QString site;        // the product's site: version file, announcement, links, mail images
    QString makerSite;   // the maker's main site
    QString time;        // answers HEAD with a Date header
    QString probe;       // any page with a body: the connectivity test
    // What was set aside as the services were read, the mail's too: the file itself, or an address of
    // the wrong kind (in Chinese, one line each). Said once where the services are first read.
    QStringList problems = {};

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

// What an address is for: the services are asked over the web, the mail goes to an SMTP server.
enum class AddressKind { Web, Mail };
// Done when the address can serve as one of its kind, and when it is empty; else why not.
Outcome<> checkServiceAddress(const QString &address, AddressKind kind);

namespace servicesfile {

// $XDG_CONFIG_HOME/parcelbook/services.conf; a relative XDG_CONFIG_HOME is ignored for ~/.config.
QString location();
// The values the file holds as written, nothing else: a missing file or key reads empty. A file that
// is no regular file (a link, a pipe), unreadable or no services text reads empty with the reason in
// addresses.problems; it is opened without following a link and without waiting.
ServiceSettings read(const QString &file);
// Writes every value in place of the file, whole or not at all, the file 0600 in a folder created
// 0700, never through a link or into a pipe.
Outcome<> write(const QString &file, const ServiceSettings &settings);
// Values trimmed, addresses without a trailing separator, the built-in value (the account only) where
// one is empty.
ServiceSettings withBuiltInValues(const ServiceSettings &given);
// The file's values under the variables, over the built-in values. An address of the wrong kind, from
// the file or a variable, is set aside with the reason in addresses.problems.
ServiceSettings resolve(const ServiceSettings &fromFile);
// resolve(read(location())).
ServiceSettings configured();
// The PARCELBOOK_* variables that are set and so win over the file.
QStringList overridingVariables();
// The hint a query gets while no tracking service is set: why the one given was set aside, when so.
QString trackingMissingText();

} // namespace servicesfile
