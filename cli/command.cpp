// The command table and helpers shared by the command families.
#include "command.h"

#include <hostkit/hostkit.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace hk::cli {

namespace {
std::vector<Command>& CommandTable() {
  static std::vector<Command> table;
  return table;
}
std::vector<TourStep>& TourTable() {
  static std::vector<TourStep> table;
  return table;
}
}  // namespace

Registration::Registration(Command command) {
  auto& table = CommandTable();
  table.push_back(std::move(command));
  std::sort(table.begin(), table.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
}

Registration::Registration(TourStep step) {
  auto& table = TourTable();
  table.push_back(std::move(step));
  std::stable_sort(table.begin(), table.end(),
                   [](const TourStep& a, const TourStep& b) { return a.order < b.order; });
}

const std::vector<Command>& Commands() { return CommandTable(); }
const std::vector<TourStep>& TourSteps() { return TourTable(); }

bool TakeFlag(Args& args, const std::string& flag) {
  auto it = std::find(args.begin(), args.end(), flag);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

bool TakeOption(Args& args, const std::string& option, std::string& value) {
  auto it = std::find(args.begin(), args.end(), option);
  if (it == args.end()) return false;
  if (it + 1 == args.end()) throw UsageError(option + " needs a value");
  value = *(it + 1);
  args.erase(it, it + 2);
  return true;
}

void ExpectCount(const Args& args, size_t minimum, size_t maximum) {
  if (args.size() < minimum) throw UsageError("missing argument");
  if (args.size() > maximum) throw UsageError("unexpected argument '" + args[maximum] + "'");
}

unsigned long ParseNumber(const std::string& text) {
  if (text.empty()) throw UsageError("a number is needed");
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || end == nullptr || *end != '\0' || text[0] == '-')
    throw UsageError("'" + text + "' is not a number");
  return value;
}

int Guarded(const std::function<int()>& body) {
  try {
    return body();
  } catch (CException* e) {
    CString message;
    CNuException::HandleError(e, message);
    message.TrimRight();
    std::fprintf(stderr, "hostkit: %s\n", message.IsEmpty() ? "the operation failed" : static_cast<const char*>(message));
    return kFailure;
  }
}

}  // namespace hk::cli
