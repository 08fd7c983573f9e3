// SMTP delivery with libcurl: STARTTLS and AUTH when the profile asks for them, certificates
// and host names always checked. libcurl is opened on the first SMTP use, not linked: every
// process that loads the library loads this provider at start-up, and most never send
// through SMTP.
#include "providers/mapi/smtp.h"

#if defined(HOSTKIT_MAPI_SMTP)
#  include "providers/mapi/conversation.h"

#  include <curl/curl.h>
#  include <dlfcn.h>

#  include "platform/posix/system/environment.h"
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace hk::mapi {

#if defined(HOSTKIT_MAPI_SMTP)
namespace {

// The few libcurl functions used, bound from the library at run time. The declarations of
// the curl headers give their types; the names are never referenced, so nothing is linked.
struct CurlApi {
  decltype(&::curl_global_init) global_init = nullptr;
  decltype(&::curl_easy_init) easy_init = nullptr;
  decltype(&::curl_easy_setopt) easy_setopt = nullptr;
  decltype(&::curl_easy_perform) easy_perform = nullptr;
  decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&::curl_slist_append) slist_append = nullptr;
  decltype(&::curl_slist_free_all) slist_free_all = nullptr;
  bool ready = false;
  std::string problem;  // why it is not ready
};

template <typename Function>
bool Bind(void* library, const char* name, Function& function, std::string& problem) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (function == nullptr && problem.empty()) problem = std::string("libcurl lacks ") + name;
  return function != nullptr;
}

// Opens libcurl once per process ($HOSTKIT_CURL_LIBRARY names another build of it) and keeps
// it open for the life of the process: handles may outlive any one call.
const CurlApi& Curl() {
  static CurlApi api;
  static std::once_flag once;
  std::call_once(once, [] {
    const char* name = hk::posix::EnvironmentSetting("HOSTKIT_CURL_LIBRARY");
    if (name == nullptr) name = "libcurl.so.4";
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = dlerror();
      api.problem = std::string("cannot load ") + name + (why != nullptr ? std::string(": ") + why : "");
      return;
    }
    std::string problem;
    bool all = Bind(library, "curl_global_init", api.global_init, problem);
    all = Bind(library, "curl_easy_init", api.easy_init, problem) && all;
    all = Bind(library, "curl_easy_setopt", api.easy_setopt, problem) && all;
    all = Bind(library, "curl_easy_perform", api.easy_perform, problem) && all;
    all = Bind(library, "curl_easy_cleanup", api.easy_cleanup, problem) && all;
    all = Bind(library, "curl_slist_append", api.slist_append, problem) && all;
    all = Bind(library, "curl_slist_free_all", api.slist_free_all, problem) && all;
    if (!all || api.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      api.problem = problem.empty() ? std::string("libcurl failed to start") : problem;
      dlclose(library);
      return;
    }
    api.ready = true;
  });
  return api;
}

struct Reader {
  const std::string* data;
  size_t offset;
};

size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto* reader = static_cast<Reader*>(user);
  const size_t room = size * count;
  const size_t left = reader->data->size() - reader->offset;
  const size_t n = left < room ? left : room;
  std::memcpy(buffer, reader->data->data() + reader->offset, n);
  reader->offset += n;
  return n;
}

// The TLS demand of a connection. Credentials never travel in the clear unless the profile
// says so: with AUTH configured an smtp:// connection must start TLS.
curl_usessl TlsDemand(const Profile& p) {
  if (p.starttls) return CURLUSESSL_ALL;
  if (!p.user.empty()) return p.cleartextAuth ? CURLUSESSL_TRY : CURLUSESSL_ALL;
  return CURLUSESSL_NONE;
}

// RFC 5321 gives a server ten minutes to answer the end of the data; the profile's timeout
// governs silence through the conversation's own watch, and this only bounds a server that
// keeps reading but never answers.
constexpr long kLongestReplySeconds = 600;

// A handle set up with the profile's server, security and credentials, reporting to the
// conversation. The profile's timeout limits connecting (up to and including AUTH) and silence,
// not the whole transfer: a large message over a slow but live link takes what it takes.
CURL* OpenServer(const CurlApi& c, const Profile& p, SmtpConversation& conversation) {
  CURL* curl = c.easy_init();
  if (curl == nullptr) return nullptr;
  // Called through a pointer, the setter has no type checks: every value is given in the
  // exact type its option takes (long, pointer, curl_off_t, function pointer).
  c.easy_setopt(curl, CURLOPT_URL, p.smtpUrl.c_str());
  c.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  c.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  c.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(p.timeoutSeconds));
  const long replySeconds = std::max(static_cast<long>(p.timeoutSeconds), kLongestReplySeconds);
  c.easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, replySeconds);
  c.easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  c.easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!p.caFile.empty()) c.easy_setopt(curl, CURLOPT_CAINFO, p.caFile.c_str());
  c.easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(TlsDemand(p)));
  if (!p.user.empty()) {
    c.easy_setopt(curl, CURLOPT_USERNAME, p.user.c_str());
    c.easy_setopt(curl, CURLOPT_PASSWORD, p.password.c_str());
  }
  void* self = &conversation;
  curl_debug_callback debug = SmtpConversation::OnDebug;
  curl_xferinfo_callback progress = SmtpConversation::OnProgress;
  curl_sockopt_callback opened = SmtpConversation::OnSocket;
  curl_closesocket_callback closing = SmtpConversation::OnClose;
  c.easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // what the conversation reads; nothing is printed
  c.easy_setopt(curl, CURLOPT_DEBUGFUNCTION, debug);
  c.easy_setopt(curl, CURLOPT_DEBUGDATA, self);
  c.easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  c.easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
  c.easy_setopt(curl, CURLOPT_XFERINFODATA, self);
  c.easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, opened);
  c.easy_setopt(curl, CURLOPT_SOCKOPTDATA, self);
  c.easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, closing);
  c.easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, self);
  return curl;
}

}  // namespace

bool SmtpSupported(std::string* problem) {
  const CurlApi& c = Curl();
  if (!c.ready && problem != nullptr) *problem = c.problem;
  return c.ready;
}

ULONG CheckSmtpLogon(const Profile& profile) {
  const CurlApi& c = Curl();
  if (!c.ready) return MAPI_E_NOT_SUPPORTED;
  SmtpConversation conversation(profile.timeoutSeconds);  // outlives the handle
  CURL* curl = OpenServer(c, profile, conversation);
  if (curl == nullptr) return MAPI_E_INSUFFICIENT_MEMORY;
  // Connecting includes the greeting, STARTTLS and AUTH; nothing is sent after them but the
  // QUIT of the cleanup, whose answer is waited for no longer than the timeout.
  c.easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
  c.easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(profile.timeoutSeconds));
  const CURLcode result = c.easy_perform(curl);
  c.easy_cleanup(curl);
  return conversation.Outcome(result);
}

ULONG SendSmtp(const Profile& profile, const std::string& sender, const std::vector<std::string>& recipients,
               const std::string& message) {
  const CurlApi& c = Curl();
  if (!c.ready) return MAPI_E_NOT_SUPPORTED;
  curl_slist* list = nullptr;
  for (const std::string& r : recipients) {
    curl_slist* longer = c.slist_append(list, r.c_str());
    if (longer == nullptr) {
      c.slist_free_all(list);
      return MAPI_E_INSUFFICIENT_MEMORY;
    }
    list = longer;
  }
  SmtpConversation conversation(profile.timeoutSeconds);  // outlives the handle
  CURL* curl = OpenServer(c, profile, conversation);
  if (curl == nullptr) {
    c.slist_free_all(list);
    return MAPI_E_INSUFFICIENT_MEMORY;
  }
  const std::string from = "<" + sender + ">";
  Reader reader{&message, 0};
  curl_read_callback read = ReadBody;
  c.easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
  c.easy_setopt(curl, CURLOPT_MAIL_RCPT, list);
  c.easy_setopt(curl, CURLOPT_READFUNCTION, read);
  c.easy_setopt(curl, CURLOPT_READDATA, static_cast<void*>(&reader));
  c.easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  c.easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  // The connection ends within the transfer, so that the QUIT after the message is still
  // watched for silence, rather than in the cleanup.
  c.easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  const CURLcode result = c.easy_perform(curl);
  c.easy_cleanup(curl);
  c.slist_free_all(list);
  return conversation.Outcome(result);
}

#else

bool SmtpSupported(std::string* problem) {
  if (problem != nullptr) *problem = "this build delivers into an outbox only";
  return false;
}
ULONG CheckSmtpLogon(const Profile&) { return MAPI_E_NOT_SUPPORTED; }
ULONG SendSmtp(const Profile&, const std::string&, const std::vector<std::string>&, const std::string&) {
  return MAPI_E_NOT_SUPPORTED;
}

#endif

}  // namespace hk::mapi
