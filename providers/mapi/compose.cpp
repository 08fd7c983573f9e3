// MIME composition. The note is sent as UTF-8 (or, when it is not valid UTF-8, as
// windows-1252) in quoted-printable, so trailing blanks and 8-bit text arrive unchanged;
// attachments are base64 parts in the order of their positions in the note, each carrying
// its display name (RFC 2231 for names beyond printable ASCII or too long for one line).
#include "providers/mapi/compose.h"

#include "providers/mapi/profile.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

#if !defined(_WIN32)
#  include <sys/stat.h>
#endif

namespace hk::mapi {
namespace {

const char kHex[] = "0123456789ABCDEF";

bool IsValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra;
    unsigned minimum;
    if (c < 0x80) { ++i; continue; }
    if ((c & 0xE0) == 0xC0) extra = 1, minimum = 0x80;
    else if ((c & 0xF0) == 0xE0) extra = 2, minimum = 0x800;
    else if ((c & 0xF8) == 0xF0) extra = 3, minimum = 0x10000;
    else return false;
    if (i + extra >= text.size()) return false;
    unsigned value = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      value = (value << 6) | (d & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string Charset(const std::string& text) { return IsValidUtf8(text) ? "utf-8" : "windows-1252"; }

bool IsPlainAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

std::string Base64(const std::string& bytes, size_t lineLength) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(bytes.size() * 4 / 3 + bytes.size() / 54 * 2 + 8);
  size_t column = 0;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned b0 = static_cast<unsigned char>(bytes[i]);
    const unsigned b1 = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const unsigned b2 = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    const unsigned n = (b0 << 16) | (b1 << 8) | b2;
    out += table[(n >> 18) & 63];
    out += table[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? table[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? table[n & 63] : '=';
    column += 4;
    if (lineLength != 0 && column >= lineLength && i + 3 < bytes.size()) {
      out += "\r\n";
      column = 0;
    }
  }
  return out;
}

// Quoted-printable of one line (no line end in it), with soft breaks at 76 characters.
void QuoteLine(const std::string& line, std::string& out) {
  size_t column = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    const bool last = i + 1 == line.size();
    std::string piece;
    if ((c == ' ' || c == '\t') && !last) piece = std::string(1, static_cast<char>(c));
    else if (c > 32 && c < 127 && c != '=') piece = std::string(1, static_cast<char>(c));
    else piece = std::string{'=', kHex[c >> 4], kHex[c & 15]};
    // A leading dot is encoded so that no transport mistakes a line for the end of the data.
    if (column == 0 && c == '.') piece = "=2E";
    if (column + piece.size() > 75) {
      out += "=\r\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  }
}

std::string QuotedPrintable(const std::string& text) {
  std::string out;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    const bool more = end != std::string::npos;
    if (!more) end = text.size();
    std::string line = text.substr(start, end - start);
    if (more && !line.empty() && line.back() == '\r') line.pop_back();
    QuoteLine(line, out);
    if (!more) break;
    out += "\r\n";
    start = end + 1;
  }
  return out;
}

// An RFC 2047 encoded word list (base64), split between characters, never inside one.
std::string EncodedWords(const std::string& text) {
  const std::string charset = Charset(text);
  const bool utf8 = charset == "utf-8";
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = std::min(text.size(), i + 45);
    if (utf8)
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?" + charset + "?B?" + Base64(text.substr(i, end - i), 0) + "?=";
    i = end;
  }
  return out;
}

// RFC 5322 allows no header line over 998 characters. Text that would come near that as it
// stands goes in a form that folds: encoded words, or RFC 2231 continuations.
constexpr size_t kLongestPlainText = 900;

std::string HeaderText(const std::string& text) {
  if (IsPlainAscii(text) && text.size() <= kLongestPlainText && text.find("=?") == std::string::npos) return text;
  return EncodedWords(text);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// Breaks text into lines of at most 76 characters (the first starting at column) before its
// blanks, where it has any: unfolding removes only the line breaks, so the text reads back as
// it was. A blank that is part of a quoted pair is no place to break.
std::string FoldAtBlanks(const std::string& text, size_t column) {
  std::string out;
  size_t width = column;
  for (size_t start = 0; start < text.size();) {
    size_t end = start + 1;
    while (end < text.size() && !(text[end] == ' ' && text[end - 1] != '\\')) ++end;
    if (start != 0 && width + (end - start) > 76) {
      out += "\r\n";
      width = 0;
    }
    out.append(text, start, end - start);
    width += end - start;
    start = end;
  }
  return out;
}

size_t LongestLine(const std::string& text) {
  size_t longest = 0;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find("\r\n", start), text.size());
    longest = std::max(longest, end - start);
    start = end + 2;
  }
  return longest;
}

std::string Mailbox(const Party& party) {
  if (party.name.empty() || party.name == party.address) return party.address;
  std::string name;
  if (IsPlainAscii(party.name) && party.name.find("=?") == std::string::npos)
    name = FoldAtBlanks(Quoted(party.name), 6);
  // A name with too long a stretch without blanks goes as encoded words, which fold anywhere.
  if (name.empty() || LongestLine(name) > kLongestPlainText) name = EncodedWords(party.name);
  // The address goes on a line of its own when it would make the name's last line long.
  const size_t lastLine = name.size() - (name.rfind('\n') == std::string::npos ? 0 : name.rfind('\n') + 1);
  return name + (lastLine + party.address.size() > 72 ? "\r\n <" : " <") + party.address + ">";
}

std::string AddressList(const std::vector<Party>& parties) {
  std::string out;
  for (const Party& p : parties) {
    if (!out.empty()) out += ",\r\n ";
    out += Mailbox(p);
  }
  return out;
}

// A MIME parameter: a quoted string for printable ASCII that is not too long, else RFC 2231
// with continuations.
std::string Parameter(const std::string& key, const std::string& value) {
  if (IsPlainAscii(value)) {
    const std::string quoted = Quoted(value);
    if (quoted.size() <= kLongestPlainText) return key + "=" + quoted;
  }
  std::vector<std::string> pieces(1);
  for (unsigned char c : value) {
    std::string piece;
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '~') piece = std::string(1, static_cast<char>(c));
    else piece = std::string{'%', kHex[c >> 4], kHex[c & 15]};
    // Continuations are joined before the charset is applied, so a split may fall anywhere.
    if (pieces.back().size() + piece.size() > 60) pieces.emplace_back();
    pieces.back() += piece;
  }
  const std::string charset = Charset(value) + "''";
  if (pieces.size() == 1) return key + "*=" + charset + pieces[0];
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i != 0) out += ";\r\n ";
    out += key + "*" + std::to_string(i) + "*=" + (i == 0 ? charset : std::string()) + pieces[i];
  }
  return out;
}

std::string RandomHex(size_t digits) {
  static std::mt19937_64 generator(std::random_device{}() ^
                                   static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::string out;
  while (out.size() < digits) out += kHex[generator() & 15];
  return out;
}

std::string DateHeader() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[utc.tm_wday], utc.tm_mday,
                months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return text;
}

ULONG ReadAttachment(const std::string& path, std::string& bytes) {
#if !defined(_WIN32)
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return MAPI_E_ATTACHMENT_NOT_FOUND;
  if (!S_ISREG(st.st_mode)) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
#else
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return MAPI_E_ATTACHMENT_NOT_FOUND;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
#endif
  std::ifstream in(path, std::ios::binary);
  if (!in) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  bytes = content.str();
  return SUCCESS_SUCCESS;
}

}  // namespace

ULONG ComposeMessage(const Outgoing& mail, std::string& message) {
  std::vector<Attachment> order = mail.attachments;
  std::stable_sort(order.begin(), order.end(),
                   [](const Attachment& a, const Attachment& b) { return a.position < b.position; });
  std::vector<std::string> contents(order.size());
  for (size_t i = 0; i < order.size(); ++i)
    if (const ULONG r = ReadAttachment(order[i].path, contents[i]); r != SUCCESS_SUCCESS) return r;

  std::string m;
  m += "Date: " + DateHeader() + "\r\n";
  m += "From: " + Mailbox(mail.from) + "\r\n";
  if (!mail.to.empty()) m += "To: " + AddressList(mail.to) + "\r\n";
  if (!mail.cc.empty()) m += "Cc: " + AddressList(mail.cc) + "\r\n";
  if (mail.bccHeader && !mail.bcc.empty()) m += "Bcc: " + AddressList(mail.bcc) + "\r\n";
  if (!mail.subject.empty()) m += "Subject: " + HeaderText(mail.subject) + "\r\n";
  const size_t at = mail.from.address.rfind('@');
  const std::string domain = at == std::string::npos ? LocalHostName() : mail.from.address.substr(at + 1);
  m += "Message-ID: <" + std::to_string(std::time(nullptr)) + "." + RandomHex(16) + "@" + domain + ">\r\n";
  m += "MIME-Version: 1.0\r\n";

  const std::string textHeaders = "Content-Type: text/plain; charset=" + Charset(mail.text) +
                                  "\r\nContent-Transfer-Encoding: quoted-printable\r\n";
  // The text ends in a soft line break: what follows is no part of the note.
  const std::string textBody = QuotedPrintable(mail.text) + "=\r\n";
  if (order.empty()) {
    m += textHeaders + "\r\n" + textBody;
    message = std::move(m);
    return SUCCESS_SUCCESS;
  }
  // "=_" cannot occur in quoted-printable or base64 text, so the boundary never does either.
  const std::string boundary = "=_part_" + RandomHex(24);
  m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  m += "This is a message in MIME format.\r\n";
  m += "\r\n--" + boundary + "\r\n" + textHeaders + "\r\n" + textBody;
  for (size_t i = 0; i < order.size(); ++i) {
    m += "\r\n--" + boundary + "\r\n";
    m += "Content-Type: application/octet-stream; " + Parameter("name", order[i].displayName) + "\r\n";
    m += "Content-Disposition: attachment; " + Parameter("filename", order[i].displayName) + "\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    m += Base64(contents[i], 76) + "\r\n";
  }
  m += "\r\n--" + boundary + "--\r\n";
  message = std::move(m);
  return SUCCESS_SUCCESS;
}

}  // namespace hk::mapi
