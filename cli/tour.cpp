// hostkit tour: a short guided run of what the library can do, on embedded defaults.
#include "command.h"

namespace hk::cli {
namespace {

int Run(Args& args) {
  ExpectCount(args, 0, 0);
  bool allOk = true;
  for (const auto& step : TourSteps()) {
    std::printf("== %s\n", step.title.c_str());
    const bool ok = Guarded([&] { return step.run(stdout) ? kSuccess : kFailure; }) == kSuccess;
    if (!ok) std::printf("  (this step did not work here)\n");
    allOk = allOk && ok;
  }
  return allOk ? kSuccess : kFailure;
}

Registration command(Command{"tour", "a guided run of what the library can do",
                             "usage: hostkit tour\n\nRuns every family of the library once on "
                             "built-in sample data and says what it shows.\n",
                             Run});

}  // namespace
}  // namespace hk::cli
