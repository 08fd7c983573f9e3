// hostkit mail: sending notes and files, resolving names, and what the mail system is.
#include "command.h"

#include <hostkit/hostkit.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace hk::cli {
namespace {

bool IsOption(const std::string& word) { return word.size() > 2 && word.compare(0, 2, "--") == 0; }

std::string ReadTextFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw UsageError("cannot read " + file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Send(Args& args) {
  MailInfo info;
  bool haveText = false, haveTextFile = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(word + " needs a value");
      return args[++i];
    };
    if (word == "--to") {
      const size_t first = i + 1;
      while (i + 1 < args.size() && !IsOption(args[i + 1])) info.arrRecipients.Add(args[++i].c_str());
      if (i + 1 == first) throw UsageError("--to needs at least one name");
    } else if (word == "--subject") {
      info.strSubject = value().c_str();
    } else if (word == "--text") {
      info.strText = value().c_str();
      haveText = true;
    } else if (word == "--text-file") {
      info.strText = ReadTextFile(value()).c_str();
      haveTextFile = true;
    } else if (word == "--attach") {
      info.arrFiles.Add(value().c_str());
      info.arrTitles.SetAtGrow(info.arrFiles.GetSize() - 1, "");
    } else if (word == "--title") {
      if (info.arrFiles.GetSize() == 0) throw UsageError("--title follows the --attach it names");
      info.arrTitles.SetAt(info.arrFiles.GetSize() - 1, value().c_str());
    } else if (word == "--dialog") {
      info.bDialog = TRUE;
    } else {
      throw UsageError("unexpected argument '" + word + "'");
    }
  }
  if (haveText && haveTextFile) throw UsageError("give --text or --text-file, not both");
  if (info.arrRecipients.GetSize() == 0) throw UsageError("send needs --to NAME");
  return Guarded([&] {
    CNuMAPISupport mail;
    try {
      mail.SendMail(info, TRUE);
    } catch (...) {
      mail.Logoff();
      throw;
    }
    mail.Logoff();
    std::printf("sent to %d recipient(s) with %d attachment(s)\n", info.arrRecipients.GetSize(),
                info.arrFiles.GetSize());
    return kSuccess;
  });
}

int Resolve(Args& args) {
  ExpectCount(args, 1, 1);
  return Guarded([&] {
    CNuMAPISupport mail;
    const CString address = mail.ResolveName(args[0].c_str(), FALSE);
    mail.Logoff();
    if (address.IsEmpty()) {
      std::fprintf(stderr, "%s: the mail system cannot resolve this name\n", args[0].c_str());
      return kFailure;
    }
    std::printf("%s\n", static_cast<const char*>(address));
    return kSuccess;
  });
}

int Status(Args& args) {
  ExpectCount(args, 0, 0);
  const bool available = CNuMAPI::IsAvailable() != FALSE;
  std::printf("available: %s\n", available ? "yes" : "no");
  if (!available) {
    std::printf("provider: none (\"MAPI32.DLL\" is missing or lacks an entry point)\n");
    return kFailure;
  }
  const CString library = CNuMAPI::GetLibraryFileName();
  std::printf("provider: %s\n", library.IsEmpty() ? "MAPI32.DLL" : static_cast<const char*>(library));
  const CString user = GetThisUserName();
  CString description;
  BOOL usable = TRUE;
  if (!CNuMAPI::DescribeProfile(user, description, usable) || description.IsEmpty()) {
    std::printf("profile: %s\ndelivery: decided by the system's mail library\n", static_cast<const char*>(user));
    return kSuccess;
  }
  std::fputs(description, stdout);
  return usable ? kSuccess : kFailure;
}

int Run(Args& args) {
  if (args.empty()) throw UsageError("a sub-command is needed");
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "send") return Send(args);
  if (sub == "resolve") return Resolve(args);
  if (sub == "status") return Status(args);
  throw UsageError("unknown sub-command '" + sub + "'");
}

void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) setenv(name, value, 1);
  else unsetenv(name);
#endif
}

bool Tour(std::FILE* out) {
  if (!CNuMAPI::IsAvailable()) {
    std::fprintf(out, "  no mail system here: every send reports \"Mail is not available.\"\n");
    return true;
  }
  CString description;
  BOOL usable = TRUE;
  if (!CNuMAPI::DescribeProfile(GetThisUserName(), description, usable)) {
    std::fprintf(out, "  the system's mail library is in use; the tour sends nothing through it\n");
    return true;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec) / ("hostkit-tour-mail-" + std::to_string(std::random_device{}()));
  fs::create_directories(folder, ec);
  const fs::path outbox = folder / "outbox";
  std::ofstream(folder / "default.conf") << "[delivery]\nmethod = outbox\noutbox = " << outbox.string()
                                         << "\n[addressbook]\nTour Guide = guide@example.org\n";
  const char* old = std::getenv("HOSTKIT_MAIL_DIR");
  const std::string saved = old != nullptr ? old : "";
  SetVariable("HOSTKIT_MAIL_DIR", folder.string().c_str());
  bool ok = false;
  try {
    CNuMAPISupport mail;
    const CString address = mail.ResolveName("Tour Guide", FALSE);
    std::fprintf(out, "  \"Tour Guide\" resolves to %s\n", static_cast<const char*>(address));
    CStringArray to;
    to.Add("Tour Guide");
    mail.SendNote("Hello from the tour", "A note delivered into an outbox folder.", to, FALSE, FALSE);
    mail.Logoff();
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(outbox / "new", ec)) {
      ++count;
      std::fprintf(out, "  delivered %s (%ju bytes)\n", entry.path().filename().string().c_str(),
                   static_cast<uintmax_t>(entry.file_size(ec)));
    }
    ok = count == 1 && !address.IsEmpty();
  } catch (CException* e) {
    CString text;
    CNuException::HandleError(e, text);
    std::fprintf(out, "  failed: %s\n", static_cast<const char*>(text));
  }
  SetVariable("HOSTKIT_MAIL_DIR", old != nullptr ? saved.c_str() : nullptr);
  fs::remove_all(folder, ec);
  return ok;
}

Registration command(Command{
    "mail", "send notes and files by mail, resolve names, mail system status",
    "usage: hostkit mail send --to NAME... [--subject S] [--text T | --text-file F]\n"
    "                         [--attach FILE [--title TITLE]]... [--dialog]\n"
    "       hostkit mail resolve NAME\n"
    "       hostkit mail status\n\n"
    "send     sends a note, or a note with files attached, to every NAME (primary\n"
    "         recipients). A FILE may hold wildcards (the first match is sent); --title\n"
    "         is the name the receiver sees for the --attach before it. --dialog asks for\n"
    "         the mail system's send dialog (on POSIX there is none: the message is sent\n"
    "         as it stands). Logs on with the running user's profile.\n"
    "resolve  prints the mail address the mail system gives NAME (a name with '@' is its\n"
    "         own address; others come from the profile's address book)\n"
    "status   whether mail is available, the mail library in use, and the profile, its\n"
    "         settings file and delivery (outbox folder or SMTP server)\n\n"
    "Settings: HOSTKIT_MAIL_DIR, else $XDG_CONFIG_HOME/hostkit/mail (POSIX) holds\n"
    "PROFILE.conf or default.conf; without one, mail goes into the outbox folder\n"
    "$XDG_DATA_HOME/hostkit/mail/outbox.\n",
    Run});

Registration tour(TourStep{60, "mail", Tour});

}  // namespace
}  // namespace hk::cli
