#include "ui/web/program_starter.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tellmar::web {

std::string StartProgram(const std::string& path, const std::string& directory) {
  // The exec's failure comes back through a pipe that closes on success.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return std::strerror(errno);
  const pid_t child = ::fork();
  if (child < 0) {
    const int e = errno;
    ::close(report[0]);
    ::close(report[1]);
    return std::strerror(e);
  }
  if (child == 0) {
    // A second fork leaves the program to init, so tmdesk never has to reap it.
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    int e = 0;
    if (::chdir(directory.c_str()) != 0) {
      e = errno;
    } else {
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) ::dup2(null, 0);  // its output goes where tmdesk's goes
      ::setenv("TELLMAR_OPERATOR", "interactive", 0);
      ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
      e = errno;
    }
    (void)!::write(report[1], &e, sizeof e);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int e = 0;
  ssize_t got;
  while ((got = ::read(report[0], &e, sizeof e)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof e)) return std::string(std::strerror(e)) + " (" + path + " in " + directory + ")";
  return "";
}

}  // namespace tellmar::web
