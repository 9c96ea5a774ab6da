// Runs the built ornaplex program in a directory of its own and collects what it wrote.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ornaplex::testing {

struct ProgramRun {
  int status = -1;  // exit status
  std::string out, err;
};

inline std::string readText(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program with args (already shell-quoted where needed) in dir; prefix, when given,
// goes before the program (a tracer, say), stdoutTo is where the screen lines go.
inline ProgramRun runProgram(const std::filesystem::path& dir, const std::string& args,
                             const std::string& prefix = "",
                             const std::string& stdoutTo = "stdout.txt") {
  std::filesystem::create_directories(dir);
  const std::string cmd = "cd '" + dir.string() + "' && " + prefix + "'" +
                          std::string(ORNAPLEX_BINARY) + "' " + args + " > " + stdoutTo +
                          " 2> stderr.txt";
  const int raw = std::system(cmd.c_str());
  ProgramRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readText(dir / "stdout.txt");
  r.err = readText(dir / "stderr.txt");
  return r;
}

// A fresh, empty directory under the test's temporary area, of this process alone (the tests
// of one program run as separate processes at the same time).
inline std::filesystem::path freshDir(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("ornaplex-test-" + std::to_string(::getpid()) + "-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Files in dir whose names start with prefix and end with suffix.
inline std::vector<std::filesystem::path> filesLike(const std::filesystem::path& dir,
                                                    const std::string& prefix,
                                                    const std::string& suffix) {
  std::vector<std::filesystem::path> found;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n.rfind(prefix, 0) == 0 && n.size() >= suffix.size() &&
        n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
      found.push_back(e.path());
  }
  return found;
}

}  // namespace ornaplex::testing
