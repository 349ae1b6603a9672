// The fixed addresses of the services the program talks to, each overridable from the environment.
#pragma once

#include <QString>

struct ServiceAddresses {
    QString tracking;    // "/?id=…" is appended
    QString recognition; // "/autonumber/auto?num=…" is appended
    QString site;        // the product's site: version file, announcement, links, mail images
    QString makerSite;   // the maker's main site
    QString time;        // answers HEAD with a Date header
    QString probe;       // any page with a body: the connectivity test

    static ServiceAddresses fromEnvironment();
};
