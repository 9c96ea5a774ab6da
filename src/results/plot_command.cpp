#include "results/plot_command.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "h5file/scan_table_reader.h"
#include "results/inspect.h"

extern char** environ;

namespace ornaplex {

namespace {

constexpr int kPlotFailure = 1;

// A file in the temporary directory, removed when this dies.
class ScratchFile {
 public:
  ScratchFile() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "ornaplex-report-XXXXXX.json").string();
    const int fd = ::mkstemps(pattern.data(), 5);
    if (fd < 0) return;
    ::close(fd);
    name_ = pattern;
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile() {
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// The environment without the variables that would point the system's Python at another
// installation's modules.
std::vector<char*> childEnvironment() {
  std::vector<char*> env;
  for (char** e = environ; e && *e; ++e) {
    if (std::strncmp(*e, "PYTHONHOME=", 11) == 0 || std::strncmp(*e, "PYTHONPATH=", 11) == 0)
      continue;
    env.push_back(*e);
  }
  env.push_back(nullptr);
  return env;
}

// Runs argv[0] with argv, without a shell; the exit status, or nothing when it did not start
// or did not exit normally (the reason in why).
std::optional<int> run(const std::vector<std::string>& argv, std::string& why) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env = childEnvironment();
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), env.data());
  if (rc != 0) {
    why = std::strerror(rc);
    return std::nullopt;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      why = std::strerror(errno);
      return std::nullopt;
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  why = WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                            : "stopped abnormally";
  return std::nullopt;
}

}  // namespace

std::string plotScriptPath(const std::string& dataDir) {
  std::filesystem::path d(dataDir);
  if (!d.has_filename()) d = d.parent_path();  // "data/" names the same directory as "data"
  return (d.parent_path() / "tools" / "plot_run.py").string();
}

std::string defaultPlotDirectory(const std::string& path) {
  std::filesystem::path p(path);
  std::string name = p.filename().string();
  if (name.size() > 3 && name.compare(name.size() - 3, 3, ".h5") == 0) name.resize(name.size() - 3);
  return (p.parent_path() / (name + "-plots")).string();
}

namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : ",") + p;
  return s;
}

// The page of a scan table: the chosen values are checked against the table before the script
// runs, so that a wrong name gets one line of ours.
int plotScan(const std::string& path, const std::string& outDir, std::ostream& err,
             const std::string& script, const PlotChoice& choice) {
  if (choice.id) {
    err << "ornaplex plot: " << path
        << " is a scan table (it holds report values per point, no histogram " << *choice.id
        << ") give --value NAME to choose values, or plot a point's file for its histograms\n";
    return kInspectFailure;
  }
  std::vector<std::string> argv = {kPlotPython, script, path, "--output", outDir, "--scan"};
  if (!choice.html.empty()) {
    argv.push_back("--html");
    argv.push_back(choice.html);
  }
  try {
    const ScanTable table = readScanTable(path);
    for (const std::string& v : choice.values) {
      if (findScanValue(table, v)) continue;
      std::vector<std::string> keys;
      for (const ScanValue& held : table.values) keys.push_back(held.key);
      err << "ornaplex plot: " << path << " holds no value " << v << " (it holds " << joined(keys)
          << ") give --value with names it holds\n";
      return kInspectFailure;
    }
  } catch (const std::exception& e) {
    err << "ornaplex plot: " << e.what() << '\n';
    return kUnreadableFile;
  }
  if (!choice.values.empty()) {
    argv.push_back("--value");
    argv.push_back(joined(choice.values));
  }
  std::error_code ec;
  if (choice.html.empty()) std::filesystem::create_directories(outDir, ec);
  std::string why;
  const std::optional<int> status = run(argv, why);
  if (!status || *status != 0) {
    err << "ornaplex plot: drawing the scan " << path << " failed ("
        << (status ? "the plotting script ended with status " + std::to_string(*status) : why)
        << ") check that python3-matplotlib is installed\n";
    return kPlotFailure;
  }
  return 0;
}

}  // namespace

int plotFile(const std::string& path, const std::string& outDir, std::ostream& err,
             const std::string& script, const PlotChoice& choice) {
  if (!choice.html.empty() && std::filesystem::exists(choice.html)) {
    err << "ornaplex report: " << choice.html
        << " already exists (a page is never written over a file) move it away or give another "
           "--output\n";
    return kPlotFailure;
  }
  if (isScanTable(path)) return plotScan(path, outDir, err, script, choice);
  if (!choice.values.empty()) {
    err << "ornaplex plot: " << path << " is a run's file, not a scan table (--value "
        << choice.values.front() << " chooses a value of a scan's scan.h5) give --id to choose "
        << "a histogram\n";
    return kInspectFailure;
  }
  // The report numbers come from the same code as inspect's; reading them checks the file.
  std::ostringstream report, inspectErr;
  const int checked = inspectFile(path, std::nullopt, true, report, inspectErr);
  if (checked != 0) {
    std::string line = inspectErr.str();
    const std::string prefix = "ornaplex inspect: ";
    if (line.rfind(prefix, 0) == 0) line = "ornaplex plot: " + line.substr(prefix.size());
    err << line;
    return checked;
  }
  if (choice.id) {
    std::ostringstream one, oneErr;
    const int found = inspectFile(path, choice.id, false, one, oneErr);
    if (found != 0) {
      std::string line = oneErr.str();
      const std::string prefix = "ornaplex inspect: ";
      if (line.rfind(prefix, 0) == 0) line = "ornaplex plot: " + line.substr(prefix.size());
      err << line;
      return found;
    }
  }
  if (!std::filesystem::is_regular_file(script)) {
    err << "ornaplex plot: cannot find the plotting script (" << script
        << " is missing) run ornaplex from its build tree\n";
    return kPlotFailure;
  }
  std::error_code ec;
  if (choice.html.empty()) std::filesystem::create_directories(outDir, ec);
  if (ec || !std::filesystem::is_directory(outDir)) {
    err << "ornaplex plot: cannot create the directory " << outDir << " ("
        << (ec ? ec.message() : std::string("not a directory")) << ") give a writable --output\n";
    return kPlotFailure;
  }
  ScratchFile scratch;
  std::ofstream json(scratch.name());
  json << report.str();
  json.close();
  if (scratch.name().empty() || !json) {
    err << "ornaplex plot: cannot write the report numbers to the temporary directory ("
        << std::strerror(errno) << ") set TMPDIR to a writable directory\n";
    return kPlotFailure;
  }
  std::string why;
  std::vector<std::string> argv = {kPlotPython, script,     path,          "--output",
                                   outDir,      "--report", scratch.name()};
  if (choice.id) {
    argv.push_back("--id");
    argv.push_back(std::to_string(*choice.id));
  }
  if (choice.overviewOnly) argv.push_back("--overview-only");
  if (!choice.html.empty()) {
    argv.push_back("--html");
    argv.push_back(choice.html);
  }
  const std::optional<int> status = run(argv, why);
  if (!status) {
    err << "ornaplex plot: cannot run " << kPlotPython << " (" << why
        << ") install python3-matplotlib and python3-h5py (scripts/install-deps.sh)\n";
    return kPlotFailure;
  }
  if (*status != 0) {
    err << "ornaplex plot: drawing " << path << " failed (the plotting script ended with status "
        << *status << "; its messages are above) check that python3-matplotlib is installed\n";
    return kPlotFailure;
  }
  return 0;
}

}  // namespace ornaplex
