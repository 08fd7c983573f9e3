// hostkit: the library's operations from the command line.
#include "command.h"

#include <hostkit/hostkit.h>

#include <algorithm>
#include <cstring>

namespace {

void PrintHelp() {
  std::printf(
      "usage: hostkit [--help] [--version] COMMAND [ARGS...]\n\n"
      "Operating-system services of the HOSTKIT library from the command line.\n"
      "Exit status: 0 success, 1 the operation failed, 2 usage error.\n"
      "'hostkit COMMAND --help' describes one command.\n\ncommands:\n");
  for (const auto& c : hk::cli::Commands()) std::printf("  %-12s %s\n", c.name.c_str(), c.summary.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  hk::cli::Args args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp();
    return args.empty() ? hk::cli::kUsage : hk::cli::kSuccess;
  }
  if (args[0] == "--version") {
    std::printf("hostkit %s\n", HOSTKIT_VERSION_TEXT);
    return hk::cli::kSuccess;
  }
  const std::string name = args[0];
  args.erase(args.begin());
  for (const auto& command : hk::cli::Commands()) {
    if (command.name != name) continue;
    // Words after "--" belong to the command (a program's own options), not to the tool.
    const auto options = hk::cli::Args(args.begin(), std::find(args.begin(), args.end(), "--"));
    if (std::find(options.begin(), options.end(), "--help") != options.end() ||
        std::find(options.begin(), options.end(), "-h") != options.end()) {
      std::printf("%s", command.usage.c_str());
      return hk::cli::kSuccess;
    }
    try {
      return hk::cli::Guarded([&] { return command.run(args); });
    } catch (const hk::cli::UsageError& e) {
      std::fprintf(stderr, "hostkit %s: %s\n%s", name.c_str(), e.what(), command.usage.c_str());
      return hk::cli::kUsage;
    }
  }
  std::fprintf(stderr, "hostkit: unknown command '%s' (try 'hostkit --help')\n", name.c_str());
  return hk::cli::kUsage;
}
