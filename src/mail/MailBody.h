// The update e-mail's subject line, HTML body and plain-text body, built from the newest progress of one
// parcel.
#pragma once

#include <QString>

// The addresses and service texts the mail links to and shows.
struct MailSites {
    QString site;          // the product's site: images and the promotion page
    QString makerSite;     // the maker's main site, linked from the logo
    QString serviceSite;   // the customer-service site
    QString forum;         // the forum's root, ending in "/"
    QString makerHost;     // the maker's main web address shown as plain text
    QString serviceNumber; // the customer-service number

    // Product and maker sites from the service addresses, the rest fixed.
    static MailSites configured();
};

struct MailInputs {
    QString goods;
    QString number;
    QString company;
    QString entryTime;           // time of the newest progress entry
    QString entryText;           // progress text of the newest entry
    QString transitTime;         // e.g. "2天3小时15分"
    QString pickupCode;          // empty unless the parcel waits at a pickup point with this code
    QString announcementAddress; // empty when the announcement was not fetched
    QString announcementText;    // empty when the announcement was not fetched
    QString now;                 // the local date and time the mail is written, as text
    MailSites sites;
};

namespace notify {

// Plain text; the sender encodes it for the header.
QString mailSubject(const QString &goods);
// Every inserted value is HTML-escaped, so text from the tracking service or the goods name cannot
// add markup to the mail.
QString mailBody(const MailInputs &inputs);
// The same facts as the HTML body, as plain lines for readers that show no HTML: the parcel, the
// newest entry, the pickup code when there is one, the time under way with the company, the
// announcement when there is one, the signature.
QString mailText(const MailInputs &inputs);

} // namespace notify
