// Fuzz target: the company code of a number recognition answer.
#include "FuzzInput.h"

#include "tracking/TrackingText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const QString marker = QStringLiteral("comCode\":\"");
    const QString body = fuzzText(data, size);
    const std::optional<QString> code = tracking::recognitionCode(body);
    require(code.has_value() == body.contains(marker),
            "there is a company code exactly when the marker is there");
    if (!code) {
        return 0;
    }
    require(code->size() <= body.size() - marker.size(), "the code is cut out of the body");
    require(!code->contains(marker), "a code never runs into the next marker");
    if (body.indexOf(QLatin1Char('"'), body.indexOf(marker) + marker.size()) >= 0) {
        // The comma keeps the appended marker whole: the body's tail cannot complete it into another.
        require(tracking::recognitionCode(body + QStringLiteral(",{\"comCode\":\"ems\"}")) == code,
                "only the first company code counts, once it is closed");
    }
    return 0;
}
