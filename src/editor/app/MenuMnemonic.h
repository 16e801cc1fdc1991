#pragma once

#include <QChar>
#include <QString>

// Keyboard mnemonics for menu items whose captions are given: the caption
// stays as it is, with '&' before the letter that opens it.
class MenuMnemonic {
public:
    // caption with '&' before the first occurrence of `letter`, in either
    // case; unchanged when the caption does not hold it.
    static QString marked(const QString &caption, QChar letter);
    // caption with '&' before its last character: for captions that are
    // numbers, whose last digit tells them apart best ("1&0").
    static QString markedLast(const QString &caption);
};
