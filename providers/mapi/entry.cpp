// The five Simple MAPI entry points of the provider, with the argument lists, structures and
// result codes of the system's mail library. A session is a loaded profile; the process's
// first open session is the "shared session" that a logon without a profile joins.
#include "providers/mapi/address.h"
#include "providers/mapi/compose.h"
#include "providers/mapi/outbox.h"
#include "providers/mapi/profile.h"
#include "providers/mapi/smtp.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>

#if defined(_WIN32)
#  define PROVIDER_EXPORT extern "C" __declspec(dllexport)
#else
#  define PROVIDER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace hk::mapi {
namespace {

struct State {
  std::mutex lock;
  std::map<LHANDLE, std::shared_ptr<const Profile>> sessions;
  LHANDLE next = 1;
  std::set<void*> buffers;  // handed out by MAPIResolveName, freed by MAPIFreeBuffer
};

State& Global() {
  static State* state = new State;  // outlives every static destructor of the process
  return *state;
}

LHANDLE OpenSession(std::shared_ptr<const Profile> profile) {
  State& s = Global();
  std::lock_guard<std::mutex> guard(s.lock);
  const LHANDLE handle = s.next++;
  s.sessions.emplace(handle, std::move(profile));
  return handle;
}

std::shared_ptr<const Profile> SharedProfile() {
  State& s = Global();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.sessions.empty() ? nullptr : s.sessions.begin()->second;
}

// The profile a call works with: its session's, or for session 0 the shared session's or
// else the default profile, for this call only.
ULONG ProfileOf(LHANDLE session, std::shared_ptr<const Profile>& profile) {
  if (session == 0) {
    profile = SharedProfile();
    if (profile != nullptr) return SUCCESS_SUCCESS;
    auto loaded = std::make_shared<Profile>();
    if (const ULONG r = LoadProfile(nullptr, *loaded); r != SUCCESS_SUCCESS) return r;
    profile = loaded;
    return SUCCESS_SUCCESS;
  }
  State& s = Global();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.sessions.find(session);
  if (it == s.sessions.end()) return MAPI_E_INVALID_SESSION;
  profile = it->second;
  return SUCCESS_SUCCESS;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// An address as a mail program may hand it over: "SMTP:who@where" or plain.
std::string PlainAddress(const char* address) {
  std::string text = address;
  if (StartsWithNoCase(text, "SMTP:")) text = text.substr(5);
  return text;
}

std::string LastComponent(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  return name;
}

ULONG DeliverMessage(const Profile& profile, const MapiMessage& message) {
  Outgoing mail;
  mail.from = Party{profile.senderName, profile.senderAddress};
  if (!IsUsableAddress(mail.from.address)) return MAPI_E_LOGIN_FAILURE;
  if (message.nRecipCount != 0 && message.lpRecips == nullptr) return MAPI_E_INVALID_RECIPS;
  std::vector<std::string> envelope;
  for (ULONG i = 0; i < message.nRecipCount; ++i) {
    const MapiRecipDesc& r = message.lpRecips[i];
    Party party;
    if (r.lpszName != nullptr) party.name = r.lpszName;
    if (r.lpszAddress != nullptr && *r.lpszAddress != '\0') {
      party.address = PlainAddress(r.lpszAddress);
    } else if (const ULONG code = ResolveAddress(profile, party.name, party.address); code != SUCCESS_SUCCESS) {
      return code;
    }
    if (!IsUsableAddress(party.address)) return MAPI_E_INVALID_RECIPS;
    if (party.name.find('@') != std::string::npos) party.name.clear();
    switch (r.ulRecipClass) {
      case MAPI_TO: mail.to.push_back(party); break;
      case MAPI_CC: mail.cc.push_back(party); break;
      case MAPI_BCC: mail.bcc.push_back(party); break;
      default: return MAPI_E_BAD_RECIPTYPE;
    }
    envelope.push_back(party.address);
  }
  if (envelope.empty()) return MAPI_E_INVALID_RECIPS;
  if (message.nFileCount != 0 && message.lpFiles == nullptr) return MAPI_E_ATTACHMENT_NOT_FOUND;
  for (ULONG i = 0; i < message.nFileCount; ++i) {
    const MapiFileDesc& f = message.lpFiles[i];
    if (f.lpszPathName == nullptr || *f.lpszPathName == '\0') return MAPI_E_ATTACHMENT_NOT_FOUND;
    Attachment a;
    a.path = f.lpszPathName;
    a.displayName = (f.lpszFileName != nullptr && *f.lpszFileName != '\0') ? f.lpszFileName
                                                                           : LastComponent(f.lpszPathName);
    a.position = f.nPosition;
    mail.attachments.push_back(a);
  }
  if (message.lpszSubject != nullptr) mail.subject = message.lpszSubject;
  if (message.lpszNoteText != nullptr) mail.text = message.lpszNoteText;
  mail.bccHeader = profile.delivery == Delivery::Outbox;

  std::string text;
  if (const ULONG r = ComposeMessage(mail, text); r != SUCCESS_SUCCESS) return r;
  if (profile.delivery == Delivery::Smtp) return SendSmtp(profile, mail.from.address, envelope, text);
  return DeliverToOutbox(profile.outbox, text);
}

}  // namespace
}  // namespace hk::mapi

using namespace hk::mapi;

PROVIDER_EXPORT ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR profileName, LPSTR password, FLAGS flags, ULONG,
                                       LPLHANDLE session) {
  if (session == nullptr) return MAPI_E_FAILURE;
  try {
    const bool noProfile = profileName == nullptr || *profileName == '\0';
    if (noProfile && (flags & MAPI_NEW_SESSION) == 0) {
      // The shared session, when this process has one open.
      if (auto shared = SharedProfile()) {
        *session = OpenSession(shared);
        return SUCCESS_SUCCESS;
      }
      // Without it a logon needs a profile, which only the logon dialog could ask for; with
      // no dialog here, allowing the dialog stands for accepting the default profile.
      if ((flags & MAPI_LOGON_UI) == 0) return MAPI_E_LOGIN_FAILURE;
    }
    auto profile = std::make_shared<Profile>();
    if (const ULONG r = LoadProfile(profileName, *profile); r != SUCCESS_SUCCESS) return r;
    if (password != nullptr && *password != '\0') profile->password = password;
    if (profile->delivery == Delivery::Smtp)
      if (const ULONG r = CheckSmtpLogon(*profile); r != SUCCESS_SUCCESS) return r;
    *session = OpenSession(profile);
    return SUCCESS_SUCCESS;
  } catch (const std::bad_alloc&) {
    return MAPI_E_INSUFFICIENT_MEMORY;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}

PROVIDER_EXPORT ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG) {
  State& s = Global();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.sessions.erase(session) == 1 ? SUCCESS_SUCCESS : MAPI_E_INVALID_SESSION;
}

// MAPI_DIALOG: there is no send dialog on this platform; the message is delivered as a user
// would send it from the dialog without changing it.
PROVIDER_EXPORT ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR, lpMapiMessage message, FLAGS, ULONG) {
  if (message == nullptr) return MAPI_E_INVALID_MESSAGE;
  try {
    std::shared_ptr<const Profile> profile;
    if (const ULONG r = ProfileOf(session, profile); r != SUCCESS_SUCCESS) return r;
    return DeliverMessage(*profile, *message);
  } catch (const std::bad_alloc&) {
    return MAPI_E_INSUFFICIENT_MEMORY;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}

PROVIDER_EXPORT ULONG WINAPI MAPIResolveName(LHANDLE session, ULONG_PTR, LPSTR name, FLAGS, ULONG,
                                             lpMapiRecipDesc* recipient) {
  if (recipient == nullptr) return MAPI_E_FAILURE;
  *recipient = nullptr;
  if (name == nullptr || *name == '\0') return MAPI_E_UNKNOWN_RECIPIENT;
  try {
    std::shared_ptr<const Profile> profile;
    if (const ULONG r = ProfileOf(session, profile); r != SUCCESS_SUCCESS) return r;
    std::string address;
    if (const ULONG r = ResolveAddress(*profile, name, address); r != SUCCESS_SUCCESS) return r;
    // One block holds the entry and its two strings, so one MAPIFreeBuffer frees all.
    const size_t nameSize = std::strlen(name) + 1;
    const size_t size = sizeof(MapiRecipDesc) + nameSize + address.size() + 1;
    char* block = static_cast<char*>(std::calloc(1, size));
    if (block == nullptr) return MAPI_E_INSUFFICIENT_MEMORY;
    auto* entry = reinterpret_cast<MapiRecipDesc*>(block);
    entry->ulRecipClass = MAPI_TO;
    entry->lpszName = block + sizeof(MapiRecipDesc);
    std::memcpy(entry->lpszName, name, nameSize);
    entry->lpszAddress = entry->lpszName + nameSize;
    std::memcpy(entry->lpszAddress, address.c_str(), address.size() + 1);
    {
      State& s = Global();
      std::lock_guard<std::mutex> guard(s.lock);
      s.buffers.insert(block);
    }
    *recipient = entry;
    return SUCCESS_SUCCESS;
  } catch (const std::bad_alloc&) {
    return MAPI_E_INSUFFICIENT_MEMORY;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}

PROVIDER_EXPORT ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) {
  if (buffer == nullptr) return SUCCESS_SUCCESS;
  State& s = Global();
  std::lock_guard<std::mutex> guard(s.lock);
  // Only what this provider handed out is freed; anything else is refused, not corrupted.
  if (s.buffers.erase(buffer) != 1) return MAPI_E_FAILURE;
  std::free(buffer);
  return SUCCESS_SUCCESS;
}

// Beyond Simple MAPI: a description of what a logon with the profile would use, for the
// command-line tool's status ("profile: ...", "settings: ...", "delivery: ...", "sender: ..."
// lines). Returns 0, or the code a logon would fail with (the description says why).
PROVIDER_EXPORT ULONG WINAPI HostkitMailDescribeProfile(LPCSTR profileName, LPSTR buffer, ULONG size) {
  if (buffer == nullptr || size == 0) return MAPI_E_FAILURE;
  try {
    Profile profile;
    std::string problem;
    const ULONG result = LoadProfile(profileName, profile, &problem);
    std::string text = "profile: " + profile.name + "\n";
    text += "settings: " + (profile.file.empty() ? "(none found in " + ProfileFolder() + "; defaults)" : profile.file) + "\n";
    if (result != SUCCESS_SUCCESS) {
      text += "problem: " + problem + "\n";
    } else {
      if (profile.delivery == Delivery::Smtp) {
        std::string tls;  // smtps:// is TLS from the start
        if (!StartsWithNoCase(profile.smtpUrl, "smtps:")) {
          if (profile.starttls || (!profile.user.empty() && !profile.cleartextAuth)) tls = " (STARTTLS required)";
          else if (!profile.user.empty()) tls = " (STARTTLS when offered)";
        }
        std::string why;
        text += "delivery: smtp " + profile.smtpUrl + tls + (profile.user.empty() ? "" : " as " + profile.user) +
                (SmtpSupported(&why) ? "" : " (not usable: " + why + ")") + "\n";
      } else {
        text += "delivery: outbox " + profile.outbox + "\n";
      }
      text += "sender: " + profile.senderAddress + "\n";
      text += "address book: " + std::to_string(profile.book.size()) + " name(s)\n";
    }
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return result;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}
