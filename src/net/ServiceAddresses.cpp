// The services file and the variables over it, read in this one place by the window and the command line.
#include "net/ServiceAddresses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <array>

namespace {

// One value: its key in the file, its variable, its built-in value, and where it lives.
struct Field {
    const char *key;
    const char *variable;
    const char16_t *builtIn;
    QString *(*place)(ServiceSettings &);
};

const std::array<Field, 13> fields = {{
    {"tracking/address", "PARCELBOOK_TRACKING_URL", u"",
     [](ServiceSettings &s) {
         return &s.addresses.tracking.address;
     }},
    {"tracking/account_id", "PARCELBOOK_ACCOUNT_ID", u"271828",
     [](ServiceSettings &s) {
         return &s.addresses.tracking.accountId;
     }},
    {"tracking/account_key", "PARCELBOOK_ACCOUNT_KEY", u"3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f",
     [](ServiceSettings &s) {
         return &s.addresses.tracking.accountKey;
     }},
    {"tracking/second_key", "PARCELBOOK_SECOND_KEY", u"5B1E7C20A94D3F86E2C70B19D4A6F853",
     [](ServiceSettings &s) {
         return &s.addresses.tracking.secondKey;
     }},
    {"addresses/recognition", "PARCELBOOK_RECOGNITION_URL", u"",
     [](ServiceSettings &s) {
         return &s.addresses.recognition;
     }},
    {"addresses/site", "PARCELBOOK_SITE_URL", u"",
     [](ServiceSettings &s) {
         return &s.addresses.site;
     }},
    {"addresses/maker_site", "PARCELBOOK_MAKER_URL", u"",
     [](ServiceSettings &s) {
         return &s.addresses.makerSite;
     }},
    {"addresses/time", "PARCELBOOK_TIME_URL", u"",
     [](ServiceSettings &s) {
         return &s.addresses.time;
     }},
    {"addresses/probe", "PARCELBOOK_PROBE_URL", u"",
     [](ServiceSettings &s) {
         return &s.addresses.probe;
     }},
    {"mail/smtp_url", "PARCELBOOK_SMTP_URL", u"",
     [](ServiceSettings &s) {
         return &s.mail.smtpUrl;
     }},
    {"mail/from", "PARCELBOOK_MAIL_FROM", u"",
     [](ServiceSettings &s) {
         return &s.mail.from;
     }},
    {"mail/user", "PARCELBOOK_SMTP_USER", u"",
     [](ServiceSettings &s) {
         return &s.mail.user;
     }},
    {"mail/password", "PARCELBOOK_SMTP_PASSWORD", u"",
     [](ServiceSettings &s) {
         return &s.mail.password;
     }},
}};

// Addresses have paths appended, so a trailing separator would double.
void dropTrailingSeparators(ServiceAddresses &addresses) {
    for (QString *address : {&addresses.tracking.address, &addresses.recognition, &addresses.site,
                             &addresses.makerSite, &addresses.time, &addresses.probe}) {
        while (address->endsWith(QLatin1Char('/'))) {
            address->chop(1);
        }
    }
}

bool makePrivateFolder(const QString &folder) {
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent)) {
        return false;
    }
    return QDir().mkdir(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner) ||
           QFileInfo(folder).isDir();
}

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

ServiceAddresses ServiceAddresses::configured() {
    return servicesfile::configured().addresses;
}

namespace servicesfile {

QString location() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(base) + QStringLiteral("/parcelbook/services.conf");
}

ServiceSettings read(const QString &file) {
    ServiceSettings settings;
    if (!QFileInfo::exists(file)) {
        return settings;
    }
    const QSettings stored(file, QSettings::IniFormat);
    for (const Field &field : fields) {
        *field.place(settings) = stored.value(QLatin1String(field.key)).toString().trimmed();
    }
    dropTrailingSeparators(settings.addresses);
    return settings;
}

QString write(const QString &file, const ServiceSettings &settings) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!makePrivateFolder(folder)) {
        return QStringLiteral("无法创建文件夹 %1").arg(folder);
    }
    // The file exists owner-only before any value is in it; the settings' own save keeps its mode.
    QFile target(file);
    if (!target.open(QIODevice::ReadWrite) || !target.setPermissions(ownerOnly)) {
        return QStringLiteral("无法写入 %1:%2").arg(file, target.errorString());
    }
    target.close();
    QSettings stored(file, QSettings::IniFormat);
    ServiceSettings values = settings;
    for (const Field &field : fields) {
        stored.setValue(QLatin1String(field.key), field.place(values)->trimmed());
    }
    stored.sync();
    if (stored.status() != QSettings::NoError || !QFile::setPermissions(file, ownerOnly)) {
        return QStringLiteral("无法写入 %1").arg(file);
    }
    return {};
}

ServiceSettings withBuiltInValues(const ServiceSettings &given) {
    ServiceSettings settings = given;
    for (const Field &field : fields) {
        QString &value = *field.place(settings);
        value = value.trimmed();
        if (value.isEmpty()) {
            value = QString::fromUtf16(field.builtIn);
        }
    }
    dropTrailingSeparators(settings.addresses);
    return settings;
}

ServiceSettings resolve(const ServiceSettings &fromFile) {
    ServiceSettings settings = fromFile;
    for (const Field &field : fields) {
        const QString variable = qEnvironmentVariable(field.variable).trimmed();
        if (!variable.isEmpty()) {
            *field.place(settings) = variable;
        }
    }
    return withBuiltInValues(settings);
}

ServiceSettings configured() {
    return resolve(read(location()));
}

QStringList overridingVariables() {
    QStringList names;
    for (const Field &field : fields) {
        if (!qEnvironmentVariable(field.variable).trimmed().isEmpty()) {
            names.append(QLatin1String(field.variable));
        }
    }
    return names;
}

QString trackingMissingText() {
    return QStringLiteral("尚未设置查询服务,请在设置页的“查询服务”中填写");
}

} // namespace servicesfile
