// The export command: the target checked before the service is asked, then the window's bytes.
#include "cli/ExportCommand.h"

#include "cli/CommandRoad.h"
#include "cli/LockedBook.h"
#include "cli/OutcomeText.h"
#include "text/Failure.h"
#include "text/SafeWrite.h"
#include "text/TerminalText.h"
#include "tracking/ProgressReport.h"

#include <QFileInfo>

namespace {

// Where an export may write: standard output, a new file in a folder that is there, or (when replacing)
// a regular file; else why not.
Outcome<> writableTarget(const QString &file, SafeWrite::Existing existing) {
    if (file == QLatin1StringView("-")) {
        return {};
    }
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        return Failure{QStringLiteral("文件夹“%1”不存在,没有写入").arg(terminalSafe(folder)), {}};
    }
    return SafeWrite::writable(file, existing);
}

} // namespace

int exportParcel(const CommandContext &context, const ParcelChoice &choice, const QString &file, bool replace,
                 ExportEncoding encoding) {
    const bool toStandardOutput = file == QLatin1StringView("-");
    const SafeWrite::Existing existing = replace ? SafeWrite::Existing::Replace : SafeWrite::Existing::Keep;
    // Refused before the service is asked, so a wrong file name costs no query.
    if (const Outcome<> target = writableTarget(file, existing); !target) {
        // Only a regular file that is there already can be replaced, so only then is --force worth naming.
        const bool replaceable = !replace && QFileInfo(file).isFile() && !QFileInfo(file).isSymLink();
        context.err(target.failure().reason +
                    (replaceable ? QStringLiteral("(要替换已有的文件请加 --force)") : QString()) +
                    QLatin1Char('\n'));
        return int(ExitCode::Usage);
    }
    if (trackingServiceMissing(context)) {
        return ExitCode::ServiceSaidOtherwise;
    }
    // The progress is exported even when the book failed to keep it: what was asked for is done, and
    // the failure is said.
    const auto exported = [&context](const QueryOutcome &outcome) {
        if (outcome.bookFailure.has_value()) {
            context.err(storeFailureText(outcome));
            return int(ExitCode::BookUnusable);
        }
        return int(ExitCode::Success);
    };
    return onChosenParcels(context, choice, [&](CommandRoad &road, const QList<ParcelRow> &chosen) {
        const QueryOutcome outcome = road.query(chosen.first());
        if (!outcome.succeeded()) {
            context.err(outcomeText(outcome, std::nullopt));
            return int(ExitCode::ServiceSaidOtherwise);
        }
        if (outcome.report.entries.isEmpty()) {
            context.err(QStringLiteral("没有可导出的数据!\n"));
            return int(ExitCode::ServiceSaidOtherwise);
        }
        const QList<QStringList> rows = tracking::listRows(outcome.report.entries);
        if (toStandardOutput) {
            const QByteArray bytes = exportedBytes(rows, encoding);
            if (bytes.isEmpty() || !context.outBytes(bytes)) {
                context.err(bytes.isEmpty()
                                ? QStringLiteral("数据导出失败!错误原因:系统缺少 GB18030 编码支持\n")
                                : QStringLiteral("数据导出失败!错误原因:无法写入标准输出\n"));
                return int(ExitCode::ServiceSaidOtherwise);
            }
            return exported(outcome);
        }
        const Outcome<Exported> written = ExportListViewContent(rows, file, existing, encoding);
        if (!written) {
            context.err(written.failure().said(QStringLiteral("数据导出")) + QLatin1Char('\n'));
            return int(ExitCode::ServiceSaidOtherwise);
        }
        context.out(QStringLiteral("成功导出 %1 条进度到 %2\n").arg(outcome.report.entries.size()).arg(file));
        return exported(outcome);
    });
}
