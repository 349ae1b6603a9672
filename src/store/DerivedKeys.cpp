// Remembered derived keys: a map for the process, a small owner-only file per folder for the next start.
#include "store/DerivedKeys.h"

#include "text/RegularFile.h"
#include "text/SafeWrite.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>

namespace {

// The engine's key derivation for books of this format: PBKDF2 with HMAC-SHA1, 64,000 rounds, a
// 256-bit key, over the 16-byte salt at the start of the file.
constexpr int rounds = 64000;
constexpr int keyBytes = 32;
constexpr qsizetype saltBytes = 16;

// PBKDF2 (RFC 2898) with HMAC-SHA1, in Qt Core: the network library's own digestor would load that
// library and all it pulls in with the window.
QByteArray pbkdf2Sha1(const QByteArray &passphrase, const QByteArray &salt) {
    QMessageAuthenticationCode hmac(QCryptographicHash::Sha1, passphrase);
    QByteArray key;
    for (quint32 block = 1; key.size() < keyBytes; ++block) {
        const quint32 blockIndex = qToBigEndian(block);
        hmac.reset();
        hmac.addData(salt);
        hmac.addData(reinterpret_cast<const char *>(&blockIndex), sizeof blockIndex);
        QByteArray round = hmac.result();
        QByteArray folded = round;
        for (int count = 1; count < rounds; ++count) {
            hmac.reset();
            hmac.addData(round);
            round = hmac.result();
            std::transform(folded.cbegin(), folded.cend(), round.cbegin(), folded.begin(),
                           std::bit_xor<char>());
        }
        key += folded;
    }
    return key.left(keyBytes);
}

struct Memo {
    std::mutex lock;
    // A digest of passphrase and salt, so the memo never holds the passphrase, to the raw key text.
    std::map<QByteArray, QByteArray> keys;
    QSet<QString> foldersRead;
};

Memo &memo() {
    static Memo shared;
    return shared;
}

QByteArray fingerprint(const QByteArray &passphrase, const QByteArray &salt) {
    const QByteArray both = passphrase + salt;
    return QCryptographicHash::hash(both, QCryptographicHash::Sha256).toHex();
}

// One "<fingerprint> <raw key text>" per line; anything else in the file is passed over. Only a
// regular file is read: a pipe put there would hold every start, a link could lead anywhere. Why
// one was passed over goes to the log when `say` is set; a missing memo is no news.
void readMemoFile(const QString &folder, std::map<QByteArray, QByteArray> &keys, bool say) {
    const QString path = derivedkeys::memoFile(folder);
    const Outcome<std::unique_ptr<QFile>> file = openRegularFile(path);
    if (!file) {
        if (say && file.failure().kind != Failure::Kind::Missing) {
            qWarning("%s", qUtf8Printable(file.failure().reason +
                                          QStringLiteral("(快递列表的密钥备忘,已略过,稍后重写)")));
        }
        return;
    }
    for (const QByteArray &line : (*file)->read(64 * 1024).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() == 2 && fields[0].size() == 64 && fields[1].startsWith("x'")) {
            keys.emplace(fields[0], fields[1]);
        }
    }
}

} // namespace

namespace derivedkeys {

QString memoFile(const QString &folder) {
    return folder + QStringLiteral("/.parcelbook-keys");
}

QByteArray saltOf(const QString &path) {
    const Outcome<std::unique_ptr<QFile>> file = openRegularFile(path);
    if (!file) {
        return {};
    }
    const QByteArray salt = (*file)->read(saltBytes);
    return salt.size() == saltBytes ? salt : QByteArray();
}

std::optional<QByteArray> remembered(const QString &folder, const QByteArray &passphrase,
                                     const QByteArray &salt) {
    Memo &shared = memo();
    const std::lock_guard guard(shared.lock);
    if (!folder.isEmpty() && !shared.foldersRead.contains(folder)) {
        shared.foldersRead.insert(folder);
        readMemoFile(folder, shared.keys, true);
    }
    const auto found = shared.keys.find(fingerprint(passphrase, salt));
    return found != shared.keys.end() ? std::optional(found->second) : std::nullopt;
}

QByteArray derive(const QByteArray &passphrase, const QByteArray &salt) {
    return QByteArray("x'") + pbkdf2Sha1(passphrase, salt).toHex() + salt.toHex() + QByteArray("'");
}

void remember(const QString &folder, const QByteArray &passphrase, const QByteArray &salt,
              const QByteArray &raw) {
    Memo &shared = memo();
    const std::lock_guard guard(shared.lock);
    shared.keys[fingerprint(passphrase, salt)] = raw;
    if (folder.isEmpty() || !QFileInfo(folder).isWritable()) {
        return;
    }
    // Every key this process knows of the folder's files goes in, the file's earlier lines included.
    std::map<QByteArray, QByteArray> known;
    readMemoFile(folder, known, false);
    known[fingerprint(passphrase, salt)] = raw;
    QByteArray content;
    for (const auto &[print, key] : known) {
        content += print + ' ' + key + '\n';
    }
    // The memo is the program's own: a link or a pipe found at its name is replaced, which mends it.
    const Outcome<> written = SafeWrite::write(memoFile(folder), content, SafeWrite::Existing::Supersede,
                                               SafeWrite::Readers::Owner);
    if (!written) {
        qInfo("derived key not remembered: %s", qPrintable(written.failure().reason));
    }
}

void removeStaleTemporaries(const QString &folder, const QDateTime &now) {
    // A memo being written lives a few milliseconds under its temporary name; one a minute old was
    // left by a killed process, and holds the raw key.
    QDir memos(folder);
    for (const QFileInfo &left : memos.entryInfoList({QStringLiteral(".parcelbook-keys.??????")},
                                                     QDir::Files | QDir::Hidden | QDir::System)) {
        if (left.lastModified().secsTo(now) > 60) {
            memos.remove(left.fileName());
        }
    }
}

void forget(const QByteArray &passphrase, const QByteArray &salt) {
    Memo &shared = memo();
    const std::lock_guard guard(shared.lock);
    shared.keys.erase(fingerprint(passphrase, salt));
}

} // namespace derivedkeys
