#pragma once

#include "CPeerIdentity.h"

class QWidget;

// Asks whether to trust a server whose certificate or host key could not be
// verified, and records a yes: a certificate in the user's trust store, a
// host key in ~/.ssh/known_hosts. A changed host key is never offered.
class CTrustQuestion
{
public:
    static QString text(const CPeerIdentity &peer);
    // True when the user trusts the server now; `error` says why recording it failed.
    static bool ask(QWidget *parent, const CPeerIdentity &peer, QString *error);
};
