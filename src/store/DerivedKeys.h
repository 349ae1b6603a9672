// The book's key as the engine derives it from the passphrase and the file's salt, remembered so an
// open need not derive it again. Deriving runs 64,000 rounds of PBKDF2 (about 30 ms of CPU) on every
// open, longer than reading the rest of a 10,000-parcel book; the engine takes the derived key in its
// place. The passphrase is the program's own, so a remembered key tells nothing the program does not.
#pragma once

#include <QByteArray>
#include <QString>

class QDateTime;

#include <optional>

namespace derivedkeys {

// The file's salt (its first 16 bytes); empty when the file is shorter or cannot be read.
QByteArray saltOf(const QString &path);
// The engine's raw key text ("x'<key><salt>'") for this passphrase and salt when it is remembered:
// in this process, or in the memo file in the folder (read once per folder).
std::optional<QByteArray> remembered(const QString &folder, const QByteArray &passphrase,
                                     const QByteArray &salt);
// Derives the raw key text for this passphrase and salt, the way the engine does.
QByteArray derive(const QByteArray &passphrase, const QByteArray &salt);
// Remembers a raw key text that has opened the file: in this process, and in the folder's memo file
// (owner only) when the folder can be written. Nothing is said when it cannot: it is only a memo.
void remember(const QString &folder, const QByteArray &passphrase, const QByteArray &salt,
              const QByteArray &raw);
// Removes the memo's temporary files a killed process left in the folder; the files of a write still
// running (younger than a minute by `now`) stay.
void removeStaleTemporaries(const QString &folder, const QDateTime &now);
// Forgets a raw key text that no longer opens its file.
void forget(const QByteArray &passphrase, const QByteArray &salt);
// The memo file's name inside a folder.
QString memoFile(const QString &folder);

} // namespace derivedkeys
