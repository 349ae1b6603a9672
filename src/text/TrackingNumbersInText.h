// Every tracking number in a pasted text: an order mail, a shop's message, a list of numbers.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

struct FoundNumber {
    QString number;
    // Eleven digits 1[3-9]…: more likely someone's mobile number than a tracking number.
    bool mobileLike = false;

    friend bool operator==(const FoundNumber &, const FoundNumber &) = default;
};

// The tracking numbers in the text, each once, in the order they first appear, each read as
// normalizedTrackingNumber reads it: a run of letters and digits (full-width ones as their ASCII forms,
// letters upper-cased, dashes inside dropped), which blanks and any other character end.
//
// A run reads as a tracking number when it has the shape couriers give their numbers: 10 to 16 digits,
// or 1 to 4 letters, 8 or more digits and at most 2 letters after them (SF1402345678901,
// JDVA00012345678, EA123456789CN), 24 characters at most. Right after a label that names a tracking
// number (运单号, 快递单号, 物流单号, 单号 …, read back over blanks, colons and brackets) any run of 8 to 30
// letters and digits with a digit in it does.
//
// Left out, whatever their shape:
// - a run after a label that names something else: 订单号, 订单编号, 交易号, 流水号, 取件码, 验证码 …
//   (a shop's order number of 18 or more digits is too long anyway);
// - an amount (after ¥ or $, before 元, or with a decimal point), and any run joined by '.', '@', '_',
//   '=' or '%' to more letters and digits: web and mail addresses, file names, versions;
// - a date and time written as digits (20261208102130), and a telephone number written in groups
//   (0571-88886666, 400-820-8820), after '+', or after 电话, 客服 or 热线.
// Eleven digits 1[3-9]… are listed, marked mobileLike, after 手机 or 电话 too; not after the label of
// something else, nor as an amount or part of an address.
QList<FoundNumber> trackingNumbersInText(QStringView text);
