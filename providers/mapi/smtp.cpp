// SMTP delivery with libcurl: STARTTLS and AUTH when the profile asks for them, certificates
// and host names always checked.
#include "providers/mapi/smtp.h"

#if defined(HOSTKIT_MAPI_SMTP)
#  include <curl/curl.h>
#endif

#include <cstring>
#include <mutex>

namespace hk::mapi {

#if defined(HOSTKIT_MAPI_SMTP)
namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
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

// A handle set up with the profile's server, security and credentials.
CURL* OpenServer(const Profile& p) {
  GlobalInit();
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return nullptr;
  curl_easy_setopt(curl, CURLOPT_URL, p.smtpUrl.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, p.timeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, p.timeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!p.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, p.caFile.c_str());
  if (p.starttls) curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!p.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, p.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, p.password.c_str());
  }
  return curl;
}

}  // namespace

bool SmtpSupported() { return true; }

ULONG CheckSmtpLogon(const Profile& profile) {
  CURL* curl = OpenServer(profile);
  if (curl == nullptr) return MAPI_E_INSUFFICIENT_MEMORY;
  // Connecting includes the greeting, STARTTLS and AUTH; nothing is sent after them.
  curl_easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
  const CURLcode result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return CodeOf(result);
}

ULONG SendSmtp(const Profile& profile, const std::string& sender, const std::vector<std::string>& recipients,
               const std::string& message) {
  CURL* curl = OpenServer(profile);
  if (curl == nullptr) return MAPI_E_INSUFFICIENT_MEMORY;
  curl_slist* list = nullptr;
  for (const std::string& r : recipients) list = curl_slist_append(list, r.c_str());
  const std::string from = "<" + sender + ">";
  Reader reader{&message, 0};
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, list);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadBody);
  curl_easy_setopt(curl, CURLOPT_READDATA, &reader);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  const CURLcode result = curl_easy_perform(curl);
  long response = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  // A refused recipient ends the transfer with a 55x reply to RCPT TO.
  if (result == CURLE_SEND_ERROR && (response == 550 || response == 553)) return MAPI_E_UNKNOWN_RECIPIENT;
  return CodeOf(result);
}

#else

bool SmtpSupported() { return false; }
ULONG CheckSmtpLogon(const Profile&) { return MAPI_E_NOT_SUPPORTED; }
ULONG SendSmtp(const Profile&, const std::string&, const std::vector<std::string>&, const std::string&) {
  return MAPI_E_NOT_SUPPORTED;
}

#endif

}  // namespace hk::mapi
