// What an SMTP conversation makes of the lines libcurl reports: a server that has the message
// is a success, whatever ends the transfer afterwards.
#include "tests/mail/mailtest.h"

#if !defined(_WIN32)

#include "providers/mapi/conversation.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

using hk::mapi::SmtpConversation;

// Feeds the conversation: '>' lines are commands, '<' lines the server's replies.
void Feed(SmtpConversation& conversation, const std::vector<const char*>& lines) {
  for (const char* line : lines) {
    std::string text = std::string(line + 1) + "\r\n";
    SmtpConversation::OnDebug(nullptr, line[0] == '>' ? CURLINFO_HEADER_OUT : CURLINFO_HEADER_IN, text.data(),
                              text.size(), &conversation);
  }
}

const std::vector<const char*> kUpToTheData = {"<220 ready", ">EHLO me",  "<250 hello", ">MAIL FROM:<a@b.c>",
                                               "<250 OK",    ">RCPT TO:<d@e.f>", "<250 OK",    ">DATA",
                                               "<354 go on"};

TEST(SmtpConversation, AMessageTheServerTookIsSentWhateverFollows) {
  SmtpConversation taken(10);
  Feed(taken, kUpToTheData);
  Feed(taken, {"<250 queued"});
  EXPECT_EQ(taken.Outcome(CURLE_RECV_ERROR), static_cast<ULONG>(SUCCESS_SUCCESS));
  // Without the server's word on the data the same loss is a network failure (and a refusal of
  // the data is the refusal's code): smtp_test.cpp, against a real server.
}

}  // namespace

#endif
