// Shared pieces of the mail suite.
#include "tests/mail/mailtest.h"

#include "platform/text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace hk::test::mail {

std::string ProviderMode() {
  const char* mode = std::getenv("HOSTKIT_TEST_MAIL_PROVIDER");
  return mode != nullptr ? mode : "full";
}

ProfileScope::ProfileScope(const std::string& settings) {
  m_dir.WriteFile("default.conf", settings.empty() ? OutboxSettings(Outbox()) : settings);
  // Named as users name folders, without a separator at the end.
  const std::string dir = m_dir.Path().substr(0, m_dir.Path().size() - 1);
  m_env = std::make_unique<ScopedEnv>("HOSTKIT_MAIL_DIR", dir.c_str());
}

namespace {
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    files.push_back(it->path().string());
  std::sort(files.begin(), files.end());
  return files;
}
}  // namespace

std::vector<std::string> ProfileScope::Delivered() const { return FilesIn(Outbox() + "/new"); }
std::vector<std::string> ProfileScope::Unfinished() const { return FilesIn(Outbox() + "/tmp"); }

std::string OutboxSettings(const std::string& outbox) {
  return "# written by the mail tests\n"
         "[delivery]\nmethod = outbox\noutbox = " + outbox + "\n"
         "[sender]\naddress = tester@example.org\nname = Test Sender\n"
         "[addressbook]\nAlice = alice@example.org\nBob Builder = bob@example.net\n";
}

namespace {

using hk::text::Lower;

// A header block => lower-case name => unfolded value.
std::map<std::string, std::string> Headers(const std::string& block) {
  std::map<std::string, std::string> out;
  std::string name;
  std::istringstream lines(block);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      out[name] += line;
    } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
      name = Lower(line.substr(0, colon));
      out[name] = line.substr(std::min(line.find_first_not_of(' ', colon + 1), line.size()));
    }
  }
  return out;
}

int Hex(char c) { return c >= 'A' ? c - 'A' + 10 : c - '0'; }

// The content of a part, decoded as its headers say.
std::string Decoded(const std::map<std::string, std::string>& headers, const std::string& body) {
  const auto encoding = headers.find("content-transfer-encoding");
  const std::string how = encoding == headers.end() ? "" : Lower(encoding->second);
  std::string out;
  if (how == "base64") {
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned bits = 0;
    int count = 0;
    for (char c : body) {
      if (digits.find(c) == std::string::npos) continue;
      bits = bits << 6 | static_cast<unsigned>(digits.find(c));
      if ((count += 6) >= 8) out += static_cast<char>(bits >> (count -= 8) & 0xFF);
    }
  } else if (how == "quoted-printable") {
    for (size_t i = 0; i < body.size(); ++i) {
      if (body.compare(i, 3, "=\r\n") == 0) {
        i += 2;  // a soft line break
      } else if (body[i] == '=' && i + 2 < body.size()) {
        out += static_cast<char>(Hex(body[i + 1]) * 16 + Hex(body[i + 2]));
        i += 2;
      } else if (body.compare(i, 2, "\r\n") == 0) {
        out += '\n';
        ++i;
      } else {
        out += body[i];
      }
    }
  } else {
    out = body;
  }
  return out;
}

// The value of a quoted parameter of a header ("" when it is not there or not quoted).
std::string Quoted(const std::string& header, const std::string& key) {
  const size_t start = header.find(key + "=\"");
  if (start == std::string::npos) return "";
  const size_t first = start + key.size() + 2;
  return header.substr(first, header.find('"', first) - first);
}

}  // namespace

ReadMessage ParseMessage(const std::string& raw) {
  ReadMessage m;
  const size_t split = raw.find("\r\n\r\n");
  m.headers = Headers(raw.substr(0, split));
  const std::string body = split == std::string::npos ? std::string() : raw.substr(split + 4);
  const std::string type = m.headers["content-type"];
  if (Lower(type).rfind("multipart/", 0) != 0) {
    m.body = Decoded(m.headers, body);
    return m;
  }
  // Each part runs from the line after a delimiter to the next delimiter; "--" after one ends.
  const std::string delimiter = "\r\n--" + Quoted(type, "boundary");
  for (size_t at = body.find(delimiter); at != std::string::npos && body.compare(at + delimiter.size(), 2, "--");) {
    const size_t start = at + delimiter.size() + 2;
    at = body.find(delimiter, start);
    const std::string part = body.substr(start, at == std::string::npos ? std::string::npos : at - start);
    const size_t partSplit = part.find("\r\n\r\n");
    auto headers = Headers(part.substr(0, partSplit));
    const std::string content = Decoded(headers, part.substr(partSplit + 4));
    if (headers.count("content-disposition") == 0) m.body = content;
    else m.attachments.emplace_back(Quoted(headers["content-disposition"], "filename"), content);
  }
  return m;
}

ReadMessage OnlyMessage(const ProfileScope& profile) {
  const auto delivered = profile.Delivered();
  EXPECT_EQ(delivered.size(), 1u);
  return delivered.empty() ? ReadMessage() : ParseMessage(ReadWholeFile(delivered[0]));
}

}  // namespace hk::test::mail
