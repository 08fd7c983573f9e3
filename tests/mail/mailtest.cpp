// Shared pieces of the mail suite.
#include "tests/mail/mailtest.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace hk::test::mail {

std::string ProviderMode() {
  const char* mode = std::getenv("HOSTKIT_TEST_MAIL_PROVIDER");
  return mode != nullptr ? mode : "full";
}

ProfileScope::ProfileScope(const std::string& settings) {
  m_dir.WriteFile("default.conf", settings);
  // Named as users name folders, without a separator at the end.
  const std::string dir = m_dir.Path().substr(0, m_dir.Path().size() - 1);
  m_env = std::make_unique<ScopedEnv>("HOSTKIT_MAIL_DIR", dir.c_str());
}

ProfileScope::~ProfileScope() = default;

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

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Header block => map of unfolded values.
std::map<std::string, std::string> Headers(const std::string& block) {
  std::map<std::string, std::string> out;
  std::string name;
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find("\r\n", start);
    if (end == std::string::npos) end = block.size();
    const std::string line = block.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    if ((line[0] == ' ' || line[0] == '\t') && !name.empty()) {
      out[name] += line;
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    name = Lower(line.substr(0, colon));
    size_t value = colon + 1;
    while (value < line.size() && line[value] == ' ') ++value;
    out[name] = line.substr(value);
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && text.compare(i + 1, 2, "\r\n") == 0) {
      i += 2;  // soft line break
    } else if (text[i] == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string DecodeBase64(const std::string& text) {
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else continue;
    buffer = (buffer << 6) | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

std::string Param(const std::string& header, const std::string& key) {
  // filename="x" or filename*=charset''pct or filename*0*=...; filename*1*=...
  std::string joined;
  const std::string quoted = key + "=\"";
  if (size_t p = header.find(quoted); p != std::string::npos) {
    std::string out;
    for (size_t i = p + quoted.size(); i < header.size() && header[i] != '"'; ++i) {
      if (header[i] == '\\' && i + 1 < header.size()) ++i;
      out += header[i];
    }
    return out;
  }
  auto pct = [](const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '%' && i + 2 < s.size()) {
        out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
        i += 2;
      } else {
        out += s[i];
      }
    }
    return out;
  };
  auto valueAt = [&](size_t p) {
    size_t end = header.find(';', p);
    if (end == std::string::npos) end = header.size();
    return header.substr(p, end - p);
  };
  if (size_t p = header.find(key + "*="); p != std::string::npos) {
    std::string v = valueAt(p + key.size() + 2);
    return pct(v.substr(v.find("''") + 2));
  }
  for (int i = 0;; ++i) {
    const std::string piece = key + "*" + std::to_string(i) + "*=";
    const size_t p = header.find(piece);
    if (p == std::string::npos) break;
    std::string v = valueAt(p + piece.size());
    if (i == 0) v = v.substr(v.find("''") + 2);
    joined += v;
  }
  return pct(joined);
}

std::string DecodePart(const std::map<std::string, std::string>& headers, const std::string& body) {
  auto it = headers.find("content-transfer-encoding");
  const std::string encoding = it == headers.end() ? "" : Lower(it->second);
  if (encoding == "base64") return DecodeBase64(body);
  if (encoding == "quoted-printable") return DecodeQuotedPrintable(body);
  return body;
}

}  // namespace

ReadMessage ParseMessage(const std::string& raw) {
  ReadMessage m;
  const size_t split = raw.find("\r\n\r\n");
  m.headers = Headers(raw.substr(0, split));
  const std::string body = split == std::string::npos ? std::string() : raw.substr(split + 4);
  const std::string type = m.headers["content-type"];
  if (Lower(type).rfind("multipart/", 0) != 0) {
    m.body = DecodePart(m.headers, body);
    return m;
  }
  const std::string delimiter = "\r\n--" + Param(type, "boundary");
  size_t at = body.find(delimiter);
  bool first = true;
  while (at != std::string::npos) {
    size_t start = at + delimiter.size();
    if (body.compare(start, 2, "--") == 0) break;
    start += 2;  // CRLF after the delimiter
    const size_t next = body.find(delimiter, start);
    const std::string part = body.substr(start, next == std::string::npos ? std::string::npos : next - start);
    const size_t partSplit = part.find("\r\n\r\n");
    const auto headers = Headers(part.substr(0, partSplit));
    const std::string content = DecodePart(headers, part.substr(partSplit + 4));
    auto disposition = headers.find("content-disposition");
    if (first && disposition == headers.end()) m.body = content;
    else m.attachments.push_back({Param(disposition == headers.end() ? "" : disposition->second, "filename"), content});
    first = false;
    at = next;
  }
  return m;
}

}  // namespace hk::test::mail
