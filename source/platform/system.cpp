#include "platform/system.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <thread>

extern char** environ;

namespace vn::platform {
namespace {
std::mutex g_mutex;
std::function<bool(const std::string&)> g_opener;

bool XdgOpen(const std::string& target) {
  const char* argv[] = {"xdg-open", target.c_str(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  // xdg-open may run as long as the program it starts; it is waited for
  // aside, so that it does not stay behind as a zombie process.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}
}  // namespace

bool OpenWithAssociatedProgram(const std::string& target) {
  std::function<bool(const std::string&)> opener;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    opener = g_opener;
  }
  return opener ? opener(target) : XdgOpen(target);
}

void SetAssociatedProgramOpener(std::function<bool(const std::string&)> opener) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_opener = std::move(opener);
}

}  // namespace vn::platform
