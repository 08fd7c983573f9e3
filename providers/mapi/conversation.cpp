// The SMTP conversation as libcurl reports it, and the Simple MAPI code of each refusal.
#include "providers/mapi/conversation.h"

#include <algorithm>
#include <cctype>
#include <string>

#include <sys/ioctl.h>
#include <unistd.h>
#if defined(__linux__)
#  include <linux/sockios.h>
#endif

namespace hk::mapi {

ULONG RefusalCode(SmtpStep step, int reply) {
  // Replies that mean the same whatever they answer.
  if (reply == 421) return MAPI_E_NETWORK_FAILURE;  // the server is closing the connection
  if (reply == 530 || reply == 534 || reply == 535 || reply == 538) return MAPI_E_LOGIN_FAILURE;  // authentication
  switch (step) {
    case SmtpStep::Greeting:
    case SmtpStep::Hello:
    case SmtpStep::Auth:
      return MAPI_E_LOGIN_FAILURE;  // the server would not let this client in
    case SmtpStep::StartTls:
      return MAPI_E_NETWORK_FAILURE;  // no secure connection, as with a server that offers none
    case SmtpStep::Recipient:
      // A limit on the number of recipients is answered 452 (RFC 5321, 4.5.3.1.10), by older
      // servers 552; every other refusal is of the recipient.
      if (reply == 452 || reply == 552) return MAPI_E_TOO_MANY_RECIPIENTS;
      return MAPI_E_UNKNOWN_RECIPIENT;
    case SmtpStep::Sender:
    case SmtpStep::Data:
    case SmtpStep::Content:
      if (reply == 552) return MAPI_E_TEXT_TOO_LARGE;  // beyond the storage allowed: the message's size
      if (reply == 452) return MAPI_E_DISK_FULL;       // the server is short of storage
      if (reply >= 500) return step == SmtpStep::Sender ? MAPI_E_ACCESS_DENIED : MAPI_E_INVALID_MESSAGE;
      return MAPI_E_FAILURE;  // refused for now; the same mail may go through later
    case SmtpStep::Quit:
      break;
  }
  return MAPI_E_FAILURE;
}

SmtpConversation::SmtpConversation(long silenceSeconds)
    : m_silence(silenceSeconds), m_lastMoved(Clock::now()) {}

ULONG SmtpConversation::Outcome(CURLcode result) const {
  // The server has the message: reporting a failure now would make its sender send it twice.
  if (m_accepted || result == CURLE_OK) return SUCCESS_SUCCESS;
  if (m_reply >= 400) return RefusalCode(m_replyStep, m_reply);
  switch (result) {
    case CURLE_LOGIN_DENIED: return MAPI_E_LOGIN_FAILURE;
    case CURLE_OUT_OF_MEMORY: return MAPI_E_INSUFFICIENT_MEMORY;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return MAPI_E_FAILURE;
    default:
      return MAPI_E_NETWORK_FAILURE;  // no server, no TLS where required, lost, or silent
  }
}

void SmtpConversation::Command(const char* line, size_t size) {
  // Lines that answer the server's AUTH challenges are no commands.
  if (m_step == SmtpStep::Auth && m_reply == 334) return;
  std::string verb;
  for (size_t i = 0; i < size && std::isalpha(static_cast<unsigned char>(line[i])); ++i)
    verb += static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
  if (verb == "EHLO" || verb == "HELO") m_step = SmtpStep::Hello;
  else if (verb == "STARTTLS") m_step = SmtpStep::StartTls;
  else if (verb == "AUTH") m_step = SmtpStep::Auth;
  else if (verb == "MAIL") m_step = SmtpStep::Sender;
  else if (verb == "RCPT") m_step = SmtpStep::Recipient;
  else if (verb == "DATA") m_step = SmtpStep::Data;
  else if (verb == "QUIT") m_step = SmtpStep::Quit;
}

void SmtpConversation::Reply(const char* line, size_t size) {
  if (size < 3 || !std::all_of(line, line + 3, [](char c) { return c >= '0' && c <= '9'; })) return;
  if (size > 3 && line[3] == '-') return;  // more lines of the same reply follow
  if (m_step == SmtpStep::Quit) return;     // the goodbye after a refusal keeps the refusal
  m_reply = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  m_replyStep = m_step;
  if (m_step == SmtpStep::Data && m_reply == 354) m_step = SmtpStep::Content;
  else if (m_step == SmtpStep::Content && m_reply / 100 == 2) m_accepted = true;
}

// Silent when, for the whole limit, libcurl moved no byte and the sockets' queues stood still:
// data libcurl has written may still be draining to a slow server long after it was handed
// over, and that is a live link.
bool SmtpConversation::Silent() {
  long long queued = 0;
  bool waiting = false;  // bytes have arrived that libcurl has yet to read
  for (const curl_socket_t socket : m_sockets) {
    int bytes = 0;
#if defined(SIOCOUTQ)
    if (ioctl(socket, SIOCOUTQ, &bytes) == 0) queued += bytes;
#endif
    bytes = 0;
    if (ioctl(socket, FIONREAD, &bytes) == 0 && bytes > 0) waiting = true;
  }
  const Clock::time_point now = Clock::now();
  if (queued != m_queued || waiting) {
    m_queued = queued;
    m_lastMoved = now;
  }
  return now - m_lastMoved >= m_silence;
}

int SmtpConversation::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* self = static_cast<SmtpConversation*>(user);
  if (type == CURLINFO_TEXT) return 0;
  self->m_lastMoved = Clock::now();
  if (type == CURLINFO_HEADER_OUT) self->Command(data, size);
  else if (type == CURLINFO_HEADER_IN) self->Reply(data, size);
  return 0;
}

int SmtpConversation::OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  auto* self = static_cast<SmtpConversation*>(user);
  if (uploaded != self->m_uploaded) {
    self->m_uploaded = uploaded;
    self->m_lastMoved = Clock::now();
  }
  return self->Silent() ? 1 : 0;  // non-zero ends the transfer
}

int SmtpConversation::OnSocket(void* user, curl_socket_t socket, curlsocktype) {
  static_cast<SmtpConversation*>(user)->m_sockets.push_back(socket);
  return CURL_SOCKOPT_OK;
}

int SmtpConversation::OnClose(void* user, curl_socket_t socket) {
  auto& sockets = static_cast<SmtpConversation*>(user)->m_sockets;
  sockets.erase(std::remove(sockets.begin(), sockets.end(), socket), sockets.end());
  return close(socket);
}

}  // namespace hk::mapi
