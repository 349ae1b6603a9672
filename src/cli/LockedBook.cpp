// Locking the book for a command, its copies kept first, and naming the parcels a command is for.
#include "cli/LockedBook.h"

#include "cli/CommandRoad.h"
#include "store/BookFile.h"
#include "store/StoreError.h"
#include "text/Failure.h"

#include <memory>
#include <optional>

namespace {

// The book locked like the window locks it, its copies kept; or why not, held elsewhere when the
// window has it. Warnings of the copies are said as they come.
Outcome<std::unique_ptr<BookFile>> lockBook(const CommandContext &context) {
    if (const Outcome<> provided = programfolder::provideBook(context.places); !provided) {
        return Failure{QStringLiteral("无法建立快递列表:%1").arg(provided.failure().reason),
                       provided.failure().detail};
    }
    auto file = std::make_unique<BookFile>(context.places.book, context.now().date());
    if (const Outcome<> opened = file->open(); !opened) {
        if (opened.failure().kind == Failure::Kind::HeldElsewhere) {
            return Failure{
                QStringLiteral("岚舟包裹通正在使用快递列表 %1,请先关闭它再试").arg(file->databasePath()),
                QString(), Failure::Kind::HeldElsewhere};
        }
        return Failure{
            QStringLiteral("无法打开快递列表 %1:%2").arg(file->databasePath(), opened.failure().reason),
            opened.failure().detail};
    }
    const CopyReport copies = file->keepCopies();
    for (const QString &said : copies.warnings) {
        context.err(said + QLatin1Char('\n'));
    }
    // A damaged book is not written: the command ends before its work.
    if (!copies.damage.isEmpty()) {
        return Failure{copies.damage, QString(), Failure::Kind::Damaged};
    }
    return file;
}

// The parcels the choice names; empty with the reason said when there are none.
QList<ParcelRow> chosenParcels(const CommandContext &context, ParcelStore &parcels,
                               const ParcelChoice &choice) {
    switch (choice.kind) {
    case ParcelChoice::All:
        return parcels.all();
    case ParcelChoice::ByNumber: {
        QList<ParcelRow> rows = parcels.byNumber(choice.value);
        if (rows.isEmpty()) {
            context.err(QStringLiteral("快递列表里没有单号 %1\n").arg(choice.value));
        }
        return rows;
    }
    case ParcelChoice::ById:
        if (const std::optional<ParcelRow> row = parcels.byId(choice.id)) {
            return {*row};
        }
        context.err(QStringLiteral("快递列表里没有编号为 %1 的快递\n").arg(choice.id.value()));
        return {};
    }
    return {};
}

} // namespace

int onLockedBook(const CommandContext &context, const std::function<int(CommandRoad &, Database &)> &work) {
    Outcome<std::unique_ptr<BookFile>> book = lockBook(context);
    if (!book) {
        context.err(book.failure().reason + QLatin1Char('\n'));
        return book.failure().kind == Failure::Kind::HeldElsewhere ? ExitCode::BookInUse
                                                                   : ExitCode::BookUnusable;
    }
    Database &db = (*book)->database();
    try {
        CommandRoad road(context, db);
        const int result = work(road, db);
        return road.mailsSent() || result != ExitCode::Success ? result : ExitCode::ServiceSaidOtherwise;
    } catch (const StoreError &error) {
        context.err(QStringLiteral("快递列表读写出错:%1\n").arg(error.reason()));
        return ExitCode::BookUnusable;
    }
}

int onChosenParcels(const CommandContext &context, const ParcelChoice &choice,
                    const std::function<int(CommandRoad &, const QList<ParcelRow> &)> &work) {
    return onLockedBook(context, [&](CommandRoad &road, Database &db) {
        ParcelStore parcels(db);
        const QList<ParcelRow> chosen = chosenParcels(context, parcels, choice);
        if (chosen.isEmpty() && choice.kind != ParcelChoice::All) {
            return int(ExitCode::Usage);
        }
        return work(road, chosen);
    });
}
