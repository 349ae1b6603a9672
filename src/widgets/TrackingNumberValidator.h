// Keeps a number box's text a tracking number as the user types and pastes.
#pragma once

#include <QValidator>

// Every edit leaves the normalized tracking number in the box, the caret after the characters
// that stood before it. An edit that leaves nothing of a non-empty text (a Chinese word typed into
// "SF14", a pasted text without a number) is refused, so the box keeps what it had.
class TrackingNumberValidator final : public QValidator {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrackingNumberValidator)

public:
    explicit TrackingNumberValidator(QObject *parent)
        : QValidator(parent) {}
    State validate(QString &input, int &caret) const override;
};
