#include "pimsync_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

namespace pim::test {

PimsyncResult RunPimsync(const TempDir& dir, const std::vector<std::string>& args) {
  const std::string out_path = dir.File(".stdout");
  const std::string err_path = dir.File(".stderr");
  const pid_t child = ::fork();
  if (child == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
        ::dup2(err, 2) < 0 || ::chdir(dir.path().c_str()) != 0) {
      ::_exit(126);
    }
    std::vector<char*> argv{const_cast<char*>(PIMSYNC_PATH)};
    for (const std::string& arg : args)
      argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(PIMSYNC_PATH, argv.data());
    ::_exit(127);
  }
  PimsyncResult result;
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return result;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

}  // namespace pim::test
