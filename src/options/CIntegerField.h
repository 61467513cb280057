#pragma once

#include <QString>

#include <optional>

// Reads the number typed into an integer field of an options page.
class CIntegerField
{
public:
    struct Result
    {
        std::optional<long> value;   // empty when the text is rejected
        QString message;             // why it was rejected
    };

    // A whole decimal number, blanks around it allowed, from `min` to `max`.
    static Result read(const QString &text, long min, long max);
};
