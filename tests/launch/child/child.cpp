// A program for the launch tests to start. Modes:
//   argv OUT [ARGS...]    writes every argument it received (argv[0] first), each ended by NUL
//   wait GO DONE          waits until the file GO exists (at most a minute), then creates DONE
//   sleep MS DONE         sleeps MS milliseconds, then creates DONE
//   exit CODE             ends with that exit status
//   busy MS               keeps the processor busy for MS milliseconds
// DONE holds the child's process id and a line end.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#if defined(_WIN32)
#  include <process.h>
#  define getpid _getpid
#else
#  include <unistd.h>
#endif

namespace {

bool Exists(const char* name) { return std::ifstream(name).good(); }

void Touch(const char* name) { std::ofstream(name) << getpid() << "\n"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  const std::string mode = argv[1];
  if (mode == "argv" && argc >= 3) {
    std::ofstream out(argv[2], std::ios::binary);
    for (int i = 0; i < argc; ++i) out.write(argv[i], static_cast<std::streamsize>(std::strlen(argv[i]) + 1));
    return out ? 0 : 101;
  }
  if (mode == "wait" && argc == 4) {
    for (int i = 0; i < 6000 && !Exists(argv[2]); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Touch(argv[3]);
    return 0;
  }
  if (mode == "sleep" && argc == 4) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    Touch(argv[3]);
    return 0;
  }
  if (mode == "exit" && argc == 3) return std::atoi(argv[2]);
  if (mode == "busy" && argc == 3) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(argv[2]));
    volatile unsigned long spin = 0;
    while (std::chrono::steady_clock::now() < end) spin = spin + 1;
    return 0;
  }
  return 100;
}
