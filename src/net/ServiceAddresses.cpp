// The services file and the variables over it, read in this one place by the window and the command line.
#include "net/ServiceAddresses.h"

#include "text/RegularFile.h"
#include "text/SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringList>
#include <QUrl>

#include <array>

namespace {

enum class FieldKind { Text, WebAddress, MailAddress };

// One value: its section and name in the file, its variable, its built-in value, what it is, and where
// it lives.
struct Field {
    const char *section;
    const char *name;
    const char *variable;
    const char16_t *builtIn;
    FieldKind kind;
    QString *(*place)(ServiceSettings &);

    QString key() const { return QLatin1String(section) + QLatin1Char('/') + QLatin1String(name); }
};

const std::array<Field, 13> fields = {{
    {"tracking", "address", "PARCELBOOK_TRACKING_URL", u"", FieldKind::WebAddress,
     [](ServiceSettings &s) {
         return &s.addresses.tracking.address;
     }},
    {"tracking", "account_id", "PARCELBOOK_ACCOUNT_ID", u"271828", FieldKind::Text,
     [](ServiceSettings &s) {
         return &s.addresses.tracking.accountId;
     }},
    {"tracking", "account_key", "PARCELBOOK_ACCOUNT_KEY", u"3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f",
     FieldKind::Text,
     [](ServiceSettings &s) {
         return &s.addresses.tracking.accountKey;
     }},
    {"tracking", "second_key", "PARCELBOOK_SECOND_KEY", u"5B1E7C20A94D3F86E2C70B19D4A6F853", FieldKind::Text,
     [](ServiceSettings &s) {
         return &s.addresses.tracking.secondKey;
     }},
    {"addresses", "recognition", "PARCELBOOK_RECOGNITION_URL", u"", FieldKind::WebAddress,
     [](ServiceSettings &s) {
         return &s.addresses.recognition;
     }},
    {"addresses", "site", "PARCELBOOK_SITE_URL", u"", FieldKind::WebAddress,
     [](ServiceSettings &s) {
         return &s.addresses.site;
     }},
    {"addresses", "maker_site", "PARCELBOOK_MAKER_URL", u"", FieldKind::WebAddress,
     [](ServiceSettings &s) {
         return &s.addresses.makerSite;
     }},
    {"addresses", "time", "PARCELBOOK_TIME_URL", u"", FieldKind::WebAddress,
     [](ServiceSettings &s) {
         return &s.addresses.time;
     }},
    {"addresses", "probe", "PARCELBOOK_PROBE_URL", u"", FieldKind::WebAddress,
     [](ServiceSettings &s) {
         return &s.addresses.probe;
     }},
    {"mail", "smtp_url", "PARCELBOOK_SMTP_URL", u"", FieldKind::MailAddress,
     [](ServiceSettings &s) {
         return &s.mail.smtpUrl;
     }},
    {"mail", "from", "PARCELBOOK_MAIL_FROM", u"", FieldKind::Text,
     [](ServiceSettings &s) {
         return &s.mail.from;
     }},
    {"mail", "user", "PARCELBOOK_SMTP_USER", u"", FieldKind::Text,
     [](ServiceSettings &s) {
         return &s.mail.user;
     }},
    {"mail", "password", "PARCELBOOK_SMTP_PASSWORD", u"", FieldKind::Text,
     [](ServiceSettings &s) {
         return &s.mail.password;
     }},
}};

// A services file is a few lines; anything much larger is not one.
constexpr qint64 servicesFileCap = 64 * 1024;

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

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    return u >= '0' && u <= '9'   ? u - '0'
           : u >= 'a' && u <= 'f' ? u - 'a' + 10
           : u >= 'A' && u <= 'F' ? u - 'A' + 10
                                  : -1;
}

// One value as the settings format writes it: "quoted" parts, backslash escapes (\n, \", \x263a, \101),
// a comment after an unquoted ';', unquoted spaces at the ends dropped, and "@@" for a leading '@'.
QString unescapedValue(QStringView raw) {
    QString value;
    qsizetype kept = 0; // the length up to the last character that was not unquoted space
    bool quoted = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            kept = value.size();
            continue;
        }
        if (!quoted && c == QLatin1Char(';')) {
            break;
        }
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            value.append(c);
            if (quoted || !c.isSpace()) {
                kept = value.size();
            }
            continue;
        }
        const QChar next = raw[++i];
        static const QString named = QStringLiteral("abfnrtv");
        static const QString meant = QStringLiteral("\a\b\f\n\r\t\v");
        if (const qsizetype at = named.indexOf(next); at >= 0) {
            value.append(meant[at]);
        } else if (next == QLatin1Char('x') && i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0) {
            char32_t code = 0;
            for (int digits = 0; digits < 6 && i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0; ++digits) {
                code = code * 16 + char32_t(hexValue(raw[++i]));
            }
            value.append(QString::fromUcs4(&code, 1));
        } else if (next >= QLatin1Char('0') && next <= QLatin1Char('7')) {
            char32_t code = next.unicode() - '0';
            for (int digits = 1; digits < 3 && i + 1 < raw.size() && raw[i + 1] >= QLatin1Char('0') &&
                                 raw[i + 1] <= QLatin1Char('7');
                 ++digits) {
                code = code * 8 + char32_t(raw[++i].unicode() - '0');
            }
            value.append(QString::fromUcs4(&code, 1));
        } else {
            value.append(next);
        }
        kept = value.size();
    }
    value.truncate(kept);
    if (value.startsWith(QLatin1String("@@"))) {
        value.remove(0, 1);
    }
    return value;
}

// The value written so that unescapedValue() (and the settings format) reads it back as it was.
QString escapedValue(const QString &value) {
    QString written;
    bool afterHexEscape = false;
    for (const QChar c : value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || (afterHexEscape && hexValue(c) >= 0)) {
            written += QStringLiteral("\\x") + QString::number(c.unicode(), 16);
            afterHexEscape = true;
            continue;
        }
        afterHexEscape = false;
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
            written += QLatin1Char('\\');
        }
        written += c;
    }
    const bool plain = !value.isEmpty() && !value.front().isSpace() && !value.back().isSpace() &&
                       !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char(','));
    return plain || value.isEmpty() ? written : QLatin1Char('"') + written + QLatin1Char('"');
}

// The file's text read into "section/name" keys; the number of the first line that is none of a
// blank, a comment, a [section] or a name=value, 0 when every line is one of them.
int parseServicesText(const QString &text, QHash<QString, QString> &values) {
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype number = 0; number < lines.size(); ++number) {
        const QString line = lines[number].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = line.left(equals).trimmed();
        if (equals <= 0 || name.isEmpty()) {
            return int(number + 1);
        }
        values.insert(section.isEmpty() ? name : section + QLatin1Char('/') + name,
                      unescapedValue(QStringView(line).mid(equals + 1).trimmed()));
    }
    return 0;
}

QString servicesText(const ServiceSettings &settings) {
    ServiceSettings values = settings;
    QString text;
    QString section;
    for (const Field &field : fields) {
        if (section != QLatin1String(field.section)) {
            section = QLatin1String(field.section);
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QLatin1Char('[') + section +
                    QStringLiteral("]\n");
        }
        text += QLatin1String(field.name) + QLatin1Char('=') + escapedValue(field.place(values)->trimmed()) +
                QLatin1Char('\n');
    }
    return text;
}

QString wrongKindProblem(const Field &field, const QString &value) {
    if (field.kind == FieldKind::Text) {
        return {};
    }
    return addressProblem(value, field.kind == FieldKind::MailAddress ? AddressKind::Mail : AddressKind::Web);
}

} // namespace

QString addressProblem(const QString &address, AddressKind kind) {
    const QString given = address.trimmed();
    if (given.isEmpty()) {
        return {};
    }
    const QUrl url(given, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    const bool mail = scheme == QLatin1String("smtp") || scheme == QLatin1String("smtps");
    if (kind == AddressKind::Web && !web) {
        return QStringLiteral("只接受 http:// 或 https:// 开头的网址");
    }
    if (kind == AddressKind::Mail && !mail) {
        return QStringLiteral("只接受 smtp:// 或 smtps:// 开头的地址");
    }
    if (!url.isValid() || url.host().isEmpty()) {
        return QStringLiteral("地址中缺少服务器名");
    }
    return {};
}

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
    const RegularFileContents contents = readRegularFile(file, servicesFileCap);
    const auto setAside = [&settings](const QString &why) {
        settings.addresses.problems.append(QStringLiteral("查询服务文件") + why +
                                           QStringLiteral(",已忽略其中的设置"));
        settings.addresses.tracking.problem = settings.addresses.problems.constLast();
        return settings;
    };
    if (contents.outcome == RegularFileContents::Outcome::Missing) {
        return settings;
    }
    if (contents.outcome == RegularFileContents::Outcome::Refused) {
        return setAside(contents.refusal);
    }
    const QString shown = QStringLiteral("“%1”").arg(QDir::toNativeSeparators(file));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(contents.bytes);
    if (utf8.hasError() || text.contains(QChar(0))) {
        return setAside(shown + QStringLiteral("不是文本文件"));
    }
    QHash<QString, QString> values;
    if (const int badLine = parseServicesText(text, values); badLine > 0) {
        return setAside(shown + QStringLiteral("第 %1 行无法识别").arg(badLine));
    }
    for (const Field &field : fields) {
        *field.place(settings) = values.value(field.key()).trimmed();
    }
    dropTrailingSeparators(settings.addresses);
    return settings;
}

QString write(const QString &file, const ServiceSettings &settings) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!makePrivateFolder(folder)) {
        return QStringLiteral("无法创建文件夹 %1").arg(folder);
    }
    const Outcome<> written = SafeWrite::write(file, servicesText(settings).toUtf8(),
                                               SafeWrite::Existing::Replace, SafeWrite::Readers::Owner);
    return written ? QString() : written.failure().reason;
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
        QString &value = *field.place(settings);
        const auto setAside = [&settings, &value](const QString &said) {
            settings.addresses.problems.append(said);
            if (&value == &settings.addresses.tracking.address) {
                settings.addresses.tracking.problem = said;
            }
        };
        // A variable of the wrong kind is as if it were not set: the file's value stands.
        if (const QString variable = qEnvironmentVariable(field.variable).trimmed(); !variable.isEmpty()) {
            const QString problem = wrongKindProblem(field, variable);
            if (problem.isEmpty()) {
                value = variable;
                continue;
            }
            setAside(QStringLiteral("环境变量 %1 %2,已忽略").arg(QLatin1String(field.variable), problem));
        }
        if (const QString problem = wrongKindProblem(field, value); !problem.isEmpty()) {
            setAside(QStringLiteral("查询服务文件中的 %1 %2,已忽略").arg(field.key(), problem));
            value.clear();
        }
    }
    settings = withBuiltInValues(settings);
    if (settings.addresses.tracking.isSet()) {
        settings.addresses.tracking.problem.clear();
    }
    return settings;
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
    if (QString problem = configured().addresses.tracking.problem; !problem.isEmpty()) {
        return problem;
    }
    return QStringLiteral("尚未设置查询服务,请在设置页的“查询服务”中填写");
}

} // namespace servicesfile
