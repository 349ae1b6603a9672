// The list command: the book opened for reading and streamed to standard output.
#include "cli/ListCommand.h"

#include "cli/ParcelListing.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/FailureReason.h"

#include <cerrno>
#include <optional>

int listParcels(const CommandContext &context, bool json) {
    if (const Outcome<> provided = programfolder::provideBook(context.places); !provided) {
        context.err(QStringLiteral("无法建立快递列表:%1\n").arg(provided.failure().reason));
        return ExitCode::BookUnusable;
    }
    const QString path = context.places.book + schema::databaseFile();
    Outcome<Database> db = atTheDoor([&path] {
        return Database::open(path, schema::databasePassword(), Database::RememberKey::BesideTheFile,
                              Database::Callers::OneThread);
    });
    if (!db) {
        context.err(QStringLiteral("无法打开快递列表 %1:%2\n").arg(path, db.failure().reason));
        return ExitCode::BookUnusable;
    }
    // The listing pages through the book's statements itself, so it runs behind the store's door.
    const Outcome<bool> written =
        atTheDoor([&] { return writeParcelList(*db, json, context.now(), context.outBytes); });
    if (!written.ok()) {
        context.err(QStringLiteral("读取快递列表 %1 出错:%2\n").arg(path, written.failure().reason));
        return ExitCode::BookUnusable;
    }
    if (!*written) {
        const int failure = errno;
        // A reader that went away (`| head`) has heard all it wanted; anyone else is told.
        if (failure != EPIPE) {
            context.err(QStringLiteral("快递列表没有全部写出:%1\n")
                            .arg(fileFailureReason(failure, FileAccess::Write)));
        }
        return ExitCode::ServiceSaidOtherwise;
    }
    return ExitCode::Success;
}
