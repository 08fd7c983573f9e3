// Turns one mail into a complete RFC 5322 / MIME message.
#pragma once

#include <hostkit/win32types.h>

#include <string>
#include <vector>

namespace hk::mapi {

struct Party {
  std::string name;  // display name, may be empty
  std::string address;
};

struct Attachment {
  std::string path;         // the file whose bytes are sent
  std::string displayName;  // the name the receiver sees
  ULONG position = 0;       // where the note text shows it
};

struct Outgoing {
  Party from;
  std::vector<Party> to, cc, bcc;
  std::string subject;
  std::string text;  // the note; line ends may be LF or CRLF
  std::vector<Attachment> attachments;
  bool bccHeader = false;  // keep a Bcc: header (files for a later sender; never on the wire)
};

// Builds the message with CRLF line ends. Attachments are read now; a missing file gives
// MAPI_E_ATTACHMENT_NOT_FOUND, an unreadable one MAPI_E_ATTACHMENT_OPEN_FAILURE.
ULONG ComposeMessage(const Outgoing& mail, std::string& message);

}  // namespace hk::mapi
