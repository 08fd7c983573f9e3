// Mail profiles of the provider: where mail goes, who sends it, and the address book.
#pragma once

#include <hostkit/win32types.h>

#include <string>
#include <utility>
#include <vector>

namespace hk::mapi {

enum class Delivery { Outbox, Smtp };

struct Profile {
  std::string name;
  std::string file;  // the settings file read, or empty for the embedded defaults
  Delivery delivery = Delivery::Outbox;
  std::string outbox;  // Maildir folder of the outbox delivery
  std::string senderAddress;
  std::string senderName;
  // SMTP delivery
  std::string smtpUrl;  // smtp://host[:port] or smtps://host[:port]
  bool starttls = false;  // require STARTTLS on an smtp:// connection
  // AUTH on an smtp:// connection that could not start TLS: refused unless this is set
  // (then TLS is still used when the server offers it).
  bool cleartextAuth = false;
  std::string user;
  std::string password;
  std::string caFile;  // an extra certificate bundle; empty: the system's
  long timeoutSeconds = 60;
  std::vector<std::pair<std::string, std::string>> book;  // name, address
};

// The folder holding the profile files: $HOSTKIT_MAIL_DIR, else (POSIX)
// $XDG_CONFIG_HOME/hostkit/mail or ~/.config/hostkit/mail, (Windows) %APPDATA%\hostkit\mail.
std::string ProfileFolder();

// Reads profile NAME from NAME.conf in the profile folder, else default.conf, else the embedded
// defaults (outbox delivery). A NULL or empty name is "default". Returns 0, or
// MAPI_E_LOGIN_FAILURE for a name that could escape the folder or a malformed file.
ULONG LoadProfile(const char* name, Profile& profile, std::string* problem = nullptr);

// Resolves a name: one holding "@" is its own address; others are looked up in the book
// without regard to ASCII case. 0, MAPI_E_UNKNOWN_RECIPIENT (also for an address that
// IsUsableAddress refuses) or MAPI_E_AMBIGUOUS_RECIPIENT.
ULONG ResolveAddress(const Profile& profile, const std::string& name, std::string& address);

// The user and host names the defaults are made of.
std::string LocalUserName();
std::string LocalHostName();

}  // namespace hk::mapi
