// Delivery into an outbox folder kept in the Maildir manner.
#pragma once

#include <hostkit/win32types.h>

#include <string>

namespace hk::mapi {

// Writes the message under tmp/ of the folder (created with tmp/, new/ and cur/ when missing),
// flushes it to disk and only then moves it into new/ under a name no other writer can
// choose, so a reader of new/ sees whole messages only. Returns 0 or a Simple MAPI code
// (MAPI_E_DISK_FULL, MAPI_E_ACCESS_DENIED, MAPI_E_FAILURE); the file name is stored in *file.
ULONG DeliverToOutbox(const std::string& folder, const std::string& message, std::string* file = nullptr);

// Moves a finished file to its final name without ever replacing a file there: a hard link
// where the file system has them, else (or with withLink false) a rename that refuses to
// replace. The source is gone afterwards either way. 0 or a Simple MAPI code as above.
ULONG PublishFile(const std::string& from, const std::string& to, bool withLink = true);

}  // namespace hk::mapi
