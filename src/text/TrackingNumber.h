// The one rule every number box, the command line and the export's file name read tracking numbers by.
#pragma once

#include <QString>

// The tracking number a typed or pasted text stands for.
//
// Full-width digits and letters (０-９, Ａ-Ｚ, ａ-ｚ) and the full-width dash count as their ASCII
// forms, the ideographic space as a space, and blanks and line breaks around the text do not count.
// - A text of only ASCII letters, digits, spaces, tabs and dashes is a number of any length: letters
//   upper-cased, spaces, tabs and dashes dropped ("sf 1402-3456" gives "SF14023456"; "SF14", typed so
//   far, stays "SF14").
// - Any other text (an SMS, a line of a web page) gives its longest run of letters and digits, dashes
//   inside a run dropped, when that run has eight characters or more; the first of equally long runs.
//   Without such a run it gives the empty text, as does the empty text.
QString normalizedTrackingNumber(const QString &text);

// The character as the number rule reads it: a full-width digit, letter or dash as its ASCII form, the
// ideographic space as a space, any other character as it is.
QChar numberRuleCharacter(QChar c);
// An ASCII letter or digit: what a tracking number is made of.
bool isNumberLetterOrDigit(QChar c);
