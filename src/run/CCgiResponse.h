#pragma once

#include <QByteArrayView>

// Tells from the first bytes of a script's output whether it is a CGI
// response with an HTML body: header lines ("Name: value"), one of them
// "Content-Type: text/html", then an empty line.
class CCgiResponse
{
public:
    enum Verdict { Undecided, NotHtml, Html };
    // Headers are looked for in this many bytes at most.
    static constexpr qsizetype MaxHeaderBytes = 8192;

    // `complete`: no more output will come. For Html, bodyOffset is where the body starts.
    static Verdict judge(QByteArrayView head, bool complete, qsizetype *bodyOffset = nullptr);
};
