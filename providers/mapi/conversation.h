// What one SMTP conversation has shown: the command each reply of the server answered, whether
// the server accepted the message, and when a byte last moved. libcurl reports the
// conversation through the callbacks below; the conversation turns it into a Simple MAPI code.
#pragma once

#include <hostkit/win32types.h>

#include <curl/curl.h>

#include <chrono>
#include <vector>

namespace hk::mapi {

// The steps of a conversation in their order; a reply belongs to the step whose command it
// answers (Content: the end of the message data).
enum class SmtpStep { Greeting, Hello, StartTls, Auth, Sender, Recipient, Data, Content, Quit };

// The Simple MAPI code for a refusal: the 4xx or 5xx reply to the command of a step.
ULONG RefusalCode(SmtpStep step, int reply);

class SmtpConversation {
 public:
  // Silence: how long no byte may move, in either direction, before the transfer is given up.
  explicit SmtpConversation(long silenceSeconds);
  SmtpConversation(const SmtpConversation&) = delete;
  SmtpConversation& operator=(const SmtpConversation&) = delete;

  // The result of a transfer that libcurl ended with result: 0 once the server accepted the
  // message (whatever happened after), else the code of the refusal the server gave last, or
  // of what went wrong (a lost connection or silence: MAPI_E_NETWORK_FAILURE).
  ULONG Outcome(CURLcode result) const;

  // libcurl's callbacks; user is the conversation. Verbose output goes to OnDebug, which reads
  // the commands and replies; OnProgress gives up after the silence; OnSocket and OnClose keep
  // the sockets, whose kernel queues show bytes moving that libcurl has long handed over.
  static int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user);
  static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded);
  static int OnSocket(void* user, curl_socket_t socket, curlsocktype purpose);
  static int OnClose(void* user, curl_socket_t socket);

 private:
  using Clock = std::chrono::steady_clock;

  void Command(const char* line, size_t size);
  void Reply(const char* line, size_t size);
  bool Silent();

  std::chrono::seconds m_silence;
  Clock::time_point m_lastMoved;
  curl_off_t m_uploaded = 0;
  long long m_queued = 0;  // bytes in the kernel's queues of the sockets, both ways
  std::vector<curl_socket_t> m_sockets;
  SmtpStep m_step = SmtpStep::Greeting;
  SmtpStep m_replyStep = SmtpStep::Greeting;  // the step of the last complete reply
  int m_reply = 0;                            // its code
  bool m_accepted = false;
};

}  // namespace hk::mapi
