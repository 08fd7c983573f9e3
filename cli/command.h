// The command-line tool's command table. Each family of commands lives in a file of its own
// and registers its commands (and its step of the guided tour) with a static Registration.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace hk::cli {

// Exit statuses.
constexpr int kSuccess = 0;
constexpr int kFailure = 1;  // the operation answered FALSE/empty, or threw
constexpr int kUsage = 2;    // the command line was wrong

// Thrown for a malformed command line; main prints it with the command's usage.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using Args = std::vector<std::string>;

struct Command {
  std::string name;     // first word after "hostkit"
  std::string summary;  // one line for the command list
  std::string usage;    // full help text, starting with the synopsis
  std::function<int(Args&)> run;  // receives the words after the name
};

// One step of "hostkit tour": prints what it does and shows it working on embedded defaults.
// Steps run in order of 'order'; a step returns false when something did not work.
struct TourStep {
  int order;
  std::string title;
  std::function<bool(std::FILE* out)> run;
};

struct Registration {
  explicit Registration(Command command);
  explicit Registration(TourStep step);
};

const std::vector<Command>& Commands();
const std::vector<TourStep>& TourSteps();

// Helpers for command implementations.
bool TakeFlag(Args& args, const std::string& flag);                  // removes it if present
bool TakeOption(Args& args, const std::string& option, std::string& value);  // --opt VALUE
void ExpectCount(const Args& args, size_t minimum, size_t maximum);  // UsageError otherwise
// A number of 32 bits, decimal or 0x hex (0 to 4294967295); UsageError for anything else, a
// sign, blanks or a value out of range included.
uint32_t ParseNumber(const std::string& text);
// Runs body; a framework exception becomes its message on standard error and kFailure.
int Guarded(const std::function<int()>& body);

}  // namespace hk::cli
