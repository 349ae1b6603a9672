// Finding the code a parcel is picked up with in a progress text: only a code the text names as one.
#pragma once

#include <QString>

#include <optional>

// The code after the words that name one (取件码, 提货码, 取货码, 提件码, 开箱码, 开柜码, 取件验证码),
// after 凭 and a word ending in 码 ("请凭取件码", "凭短信中的开箱码"), after 凭 itself ("凭3-1-0087取件"),
// and, only when the text names no such code, after 柜号 or 格口号. "为", "是", colons, blanks and an
// opening bracket (【 [ ( “ 「) may stand between; fullwidth letters and digits read as ASCII. A code is
// letters and digits, groups joined by hyphens ("8-2-1234", "A12-3456", "123456"), with at least one
// digit. Nothing when the text names no code: a bare number (a phone number, a time, an order number)
// never is one, nor what follows 凭 and a phone, identity or order number.
std::optional<QString> findPickupCode(const QString &text);
