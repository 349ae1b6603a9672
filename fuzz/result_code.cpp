// Fuzz target: the result code of a tracking answer and what the program makes of it.
#include "FuzzInput.h"

#include "tracking/TrackingText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const QString marker = QStringLiteral("errCode\":\"");
    const QString body = fuzzText(data, size);
    const std::optional<QString> code = tracking::resultCode(body);
    require(code.has_value() == body.contains(marker),
            "there is a result code exactly when the marker is there");
    if (!code) {
        return 0;
    }
    require(code->size() <= body.size() - marker.size(), "the code is cut out of the body");
    if (!tracking::resultMessage(*code).isEmpty()) {
        require(!tracking::isSuccess(*code) && *code != QStringLiteral("1"),
                "only failure codes have a hint-line message");
    }
    // A second code later in the body is not the one the service meant, once the first is closed.
    if (body.indexOf(QLatin1Char('"'), body.indexOf(marker) + marker.size()) >= 0) {
        require(tracking::resultCode(body + QStringLiteral(",\"errCode\":\"5\"")) == code,
                "only the first result code counts");
    }
    return 0;
}
