// Turning a tracking answer into a value.
#include "tracking/TrackingAnswer.h"

namespace tracking {

namespace {

// Entry counts are 16-bit numbers, so a longer answer lists this many entries.
constexpr int maxEntries = 32767;

} // namespace

TrackingAnswer interpretAnswer(const QString &body) {
    TrackingAnswer answer;
    if (body.isEmpty()) {
        return answer;
    }
    const std::optional<QString> code = resultCode(body);
    if (!code) {
        answer.kind = AnswerKind::Unreadable;
        answer.message = QStringLiteral("查询服务返回了无法识别的数据,请稍后再试..");
        return answer;
    }
    answer.code = *code;
    if (isSuccess(*code)) {
        answer.kind = AnswerKind::Success;
        answer.entries = readEntries(body, maxEntries);
    } else if (*code == QStringLiteral("1")) {
        answer.kind = AnswerKind::NotKnown;
    } else {
        answer.kind = AnswerKind::Failure;
        answer.message = resultMessage(*code);
    }
    return answer;
}

bool quotaUsedUp(const TrackingAnswer &answer) {
    return answer.kind == AnswerKind::Failure && answer.code == QStringLiteral("22");
}

} // namespace tracking
