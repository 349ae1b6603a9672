// The number boxes' validator over the tracking number rule.
#include "widgets/TrackingNumberValidator.h"

#include "text/TrackingNumber.h"

QValidator::State TrackingNumberValidator::validate(QString &input, int &caret) const {
    const QString number = normalizedTrackingNumber(input);
    if (number.isEmpty() && !input.isEmpty()) {
        return Invalid;
    }
    caret = int(qMin(normalizedTrackingNumber(input.left(caret)).size(), number.size()));
    input = number;
    return Acceptable;
}
