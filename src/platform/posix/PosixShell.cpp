#include "platform/posix/PosixShell.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/posix/SpawnDefaults.h"

extern char** environ;

namespace bx {

namespace {
bool IsProgramFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && path[0] == '/' && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}
}  // namespace

bool PosixShell::Open(const std::string& target, const std::string& workingDir) {
  if (target.empty()) return false;
  std::string prog = IsProgramFile(target) ? target : "xdg-open";
  std::string arg = target;
  char* argvProgram[] = {prog.data(), nullptr};
  char* argvOpen[] = {prog.data(), arg.data(), nullptr};
  char** argv = prog == "xdg-open" ? argvOpen : argvProgram;
  // Started through a short-lived child that forks again, so the program is never left
  // as a zombie of ours and never tied to our lifetime.
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    // A program that blocks its termination signals (the CLI watches them on a thread)
    // must not hand the block on to what it starts.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) _exit(1);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    pid_t grandchild = 0;
    const posix::SpawnDefaults defaults;
    const int rc = posix_spawnp(&grandchild, prog.c_str(), nullptr, defaults.get(), argv, environ);
    _exit(rc == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace bx
