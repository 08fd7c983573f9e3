// SMTP delivery with libcurl: STARTTLS and AUTH when the profile asks for them, certificates
// and host names always checked. libcurl is opened on the first SMTP use, not linked: every
// process that loads the library loads this provider at start-up, and most never send
// through SMTP.
#include "providers/mapi/smtp.h"

#if defined(HOSTKIT_MAPI_SMTP)
#  include <curl/curl.h>
#  include <dlfcn.h>

#  include "platform/posix/system/environment.h"
#endif

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
  decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
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
    all = Bind(library, "curl_easy_getinfo", api.easy_getinfo, problem) && all;
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

ULONG CodeOf(CURLcode code) {
  switch (code) {
    case CURLE_OK: return SUCCESS_SUCCESS;
    case CURLE_LOGIN_DENIED: return MAPI_E_LOGIN_FAILURE;
    case CURLE_OUT_OF_MEMORY: return MAPI_E_INSUFFICIENT_MEMORY;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return MAPI_E_FAILURE;
    default:
      return MAPI_E_NETWORK_FAILURE;
  }
}

// The TLS demand of a connection. Credentials never travel in the clear unless the profile
// says so: with AUTH configured an smtp:// connection must start TLS.
curl_usessl TlsDemand(const Profile& p) {
  if (p.starttls) return CURLUSESSL_ALL;
  if (!p.user.empty()) return p.cleartextAuth ? CURLUSESSL_TRY : CURLUSESSL_ALL;
  return CURLUSESSL_NONE;
}

// A handle set up with the profile's server, security and credentials.
CURL* OpenServer(const CurlApi& c, const Profile& p) {
  CURL* curl = c.easy_init();
  if (curl == nullptr) return nullptr;
  // Called through a pointer, the setter has no type checks: every value is given in the
  // exact type its option takes (long, pointer, curl_off_t).
  c.easy_setopt(curl, CURLOPT_URL, p.smtpUrl.c_str());
  c.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  c.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  c.easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(p.timeoutSeconds));
  c.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(p.timeoutSeconds));
  c.easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  c.easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!p.caFile.empty()) c.easy_setopt(curl, CURLOPT_CAINFO, p.caFile.c_str());
  c.easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(TlsDemand(p)));
  if (!p.user.empty()) {
    c.easy_setopt(curl, CURLOPT_USERNAME, p.user.c_str());
    c.easy_setopt(curl, CURLOPT_PASSWORD, p.password.c_str());
  }
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
  CURL* curl = OpenServer(c, profile);
  if (curl == nullptr) return MAPI_E_INSUFFICIENT_MEMORY;
  // Connecting includes the greeting, STARTTLS and AUTH; nothing is sent after them.
  c.easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
  const CURLcode result = c.easy_perform(curl);
  c.easy_cleanup(curl);
  return CodeOf(result);
}

ULONG SendSmtp(const Profile& profile, const std::string& sender, const std::vector<std::string>& recipients,
               const std::string& message) {
  const CurlApi& c = Curl();
  if (!c.ready) return MAPI_E_NOT_SUPPORTED;
  CURL* curl = OpenServer(c, profile);
  if (curl == nullptr) return MAPI_E_INSUFFICIENT_MEMORY;
  curl_slist* list = nullptr;
  for (const std::string& r : recipients) {
    curl_slist* longer = c.slist_append(list, r.c_str());
    if (longer == nullptr) {
      c.slist_free_all(list);
      c.easy_cleanup(curl);
      return MAPI_E_INSUFFICIENT_MEMORY;
    }
    list = longer;
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
  const CURLcode result = c.easy_perform(curl);
  long response = 0;
  c.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
  c.slist_free_all(list);
  c.easy_cleanup(curl);
  // A refused recipient ends the transfer with a 55x reply to RCPT TO.
  if (result == CURLE_SEND_ERROR && (response == 550 || response == 553)) return MAPI_E_UNKNOWN_RECIPIENT;
  return CodeOf(result);
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
