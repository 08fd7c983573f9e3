// Delivery through an SMTP server.
#pragma once

#include "providers/mapi/profile.h"

#include <string>
#include <vector>

namespace hk::mapi {

// Whether SMTP delivery can work here: this build supports it and libcurl could be loaded
// (on first use). If not, *problem says why, and logons and sends through SMTP fail with
// MAPI_E_NOT_SUPPORTED.
bool SmtpSupported(std::string* problem = nullptr);

// Connects, greets, starts TLS and authenticates as the profile says, then disconnects:
// what a logon has to prove. 0, MAPI_E_LOGIN_FAILURE (the server refuses the client or its
// credentials), MAPI_E_NETWORK_FAILURE (no server, no TLS where required, a certificate not
// trusted), MAPI_E_NOT_SUPPORTED (no libcurl) or MAPI_E_FAILURE.
ULONG CheckSmtpLogon(const Profile& profile);

// Sends one message to the envelope recipients. 0 once the server has accepted it, else the
// code of the server's refusal (RefusalCode in conversation.h), MAPI_E_NETWORK_FAILURE for a
// connection lost or silent for the profile's timeout, or a code as above.
ULONG SendSmtp(const Profile& profile, const std::string& sender, const std::vector<std::string>& recipients,
               const std::string& message);

}  // namespace hk::mapi
