// The compiled half of the Python package: the run settings' table, a run, a scan and a merge in
// this process, and a file's contents as inspect's JSON. The Python half (ornaplex/*.py) builds
// the keyword arguments, the tables and the arrays over it.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "driver/merge.h"
#include "driver/parameter_scan.h"
#include "driver/run_options.h"
#include "driver/run_settings.h"
#include "driver/simulation.h"
#include "results/inspect.h"
#include "results/plot_command.h"

namespace py = pybind11;
using namespace ornaplex;

namespace {

// Screen lines written by a run's thread, handed over whole to the thread that holds the
// interpreter.
class LineQueue final : public std::streambuf {
 public:
  // Waits up to the timeout for lines or the end; returns the lines written so far and whether
  // the writer has finished.
  std::pair<std::vector<std::string>, bool> take(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, timeout, [&] { return !lines_.empty() || finished_; });
    std::vector<std::string> lines(lines_.begin(), lines_.end());
    lines_.clear();
    return {std::move(lines), finished_};
  }
  void finish() {
    std::lock_guard lock(mutex_);
    if (!current_.empty()) lines_.push_back(std::exchange(current_, {}));
    finished_ = true;
    ready_.notify_all();
  }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) put(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize i = 0; i < n; ++i) put(s[i]);
    return n;
  }

 private:
  void put(char c) {
    std::lock_guard lock(mutex_);
    if (c != '\n') {
      current_ += c;
      return;
    }
    lines_.push_back(std::exchange(current_, {}));
    ready_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::string> lines_;
  std::string current_;
  bool finished_ = false;
};

// The Python exception an error of the program becomes: a refused value or input is a
// ValueError, an output that cannot be written an OSError, a stopped run a RuntimeError.
[[noreturn]] void raiseAsPython(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const UsageError& e) {
    throw py::value_error(e.what());
  } catch (const InputError& e) {
    throw py::value_error(e.what());
  } catch (const OutputError& e) {
    PyErr_SetString(PyExc_OSError, e.what());
    throw py::error_already_set();
  } catch (const Error& e) {
    throw std::runtime_error(e.what());
  }
}

// Runs body on a thread of its own with the interpreter released, handing its screen lines to
// onLine as they come. Signals are checked every tenth of a second: an exception from a signal
// handler (KeyboardInterrupt on Ctrl-C) sets the stop flag, as SIGINT does in the program, waits
// for the run to write what it finished, and is raised then. Returns the body's exit status.
int runWatched(const std::function<int(std::ostream&, const std::atomic<bool>*)>& body,
               const py::function& onLine) {
  LineQueue queue;
  std::atomic<bool> stop{false};
  std::exception_ptr error;
  int status = 0;
  std::thread worker([&] {
    std::ostream screen(&queue);
    try {
      status = body(screen, &stop);
    } catch (...) {
      error = std::current_exception();
    }
    queue.finish();
  });
  std::optional<py::error_already_set> raised;
  for (bool finished = false; !finished;) {
    std::vector<std::string> lines;
    {
      py::gil_scoped_release release;
      std::tie(lines, finished) = queue.take(std::chrono::milliseconds(100));
    }
    try {
      for (const std::string& line : lines) onLine(line);
      if (!raised && PyErr_CheckSignals() != 0) throw py::error_already_set();
    } catch (py::error_already_set& e) {
      // The run is never left running behind the exception: it stops and is waited for.
      stop.store(true);
      if (!raised) raised.emplace(std::move(e));
    }
  }
  {
    py::gil_scoped_release release;
    worker.join();
  }
  if (raised) throw std::move(*raised);
  if (error) raiseAsPython(error);
  return status;
}

// Options from the settings' texts, in the order given, as the command line reads them.
RunOptions optionsOf(const std::vector<std::pair<std::string, std::string>>& settings,
                     const std::string& command) {
  RunOptions options;
  options.dataDir = ORNAPLEX_DATA_DIR;
  options.command = command;
  try {
    for (const auto& [option, text] : settings) setRunOption(options, option, text);
    validateRunOptions(options);
  } catch (const Error&) {
    raiseAsPython(std::current_exception());
  }
  return options;
}

std::string roleName(SettingRole role) {
  switch (role) {
    case SettingRole::Identity:
      return "identity";
    case SettingRole::Record:
      return "record";
    case SettingRole::Local:
      break;
  }
  return "local";
}

py::list settingsTable() {
  py::list rows;
  for (const RunSetting& s : runSettings()) {
    py::dict row;
    row["attribute"] = std::string(s.attribute);
    row["option"] = std::string(s.option);
    row["value_name"] = std::string(s.valueName);
    row["label"] = std::string(s.label);
    row["unit"] = std::string(s.unit);
    row["help"] = std::string(s.help);
    row["role"] = roleName(s.role);
    row["scannable"] = s.scannable;
    row["flag"] = !s.option.empty() && s.valueName.empty();
    rows.append(row);
  }
  return rows;
}

}  // namespace

PYBIND11_MODULE(_ornaplex, m) {
  m.doc() = "ornaplex's run, scan, merge and file reading, compiled from the program's libraries";
  m.attr("version") = ORNAPLEX_VERSION;
  m.attr("plot_script") = plotScriptPath(ORNAPLEX_DATA_DIR);

  m.def("settings", &settingsTable, "The run settings' table, one dict per row.");

  m.def(
      "check",
      [](const std::vector<std::pair<std::string, std::string>>& settings) {
        optionsOf(settings, "");
      },
      "Reads the settings as the command line does; raises ValueError for a refused one.");

  m.def(
      "scan_axis",
      [](const std::string& option, const std::string& text) -> std::optional<py::list> {
        std::optional<ScanAxis> axis;
        try {
          axis = scanAxisOf(option, text);
        } catch (const Error&) {
          raiseAsPython(std::current_exception());
        }
        if (!axis) return std::nullopt;
        py::list values;
        for (const std::string& v : axis->values) values.append(v);
        return values;
      },
      "The values of a scanned setting's text (a list a,b,c or a range lo:hi:n); None for one.");

  m.def(
      "run",
      [](const std::vector<std::pair<std::string, std::string>>& settings,
         const std::string& command, const py::function& onLine) {
        const RunOptions options = optionsOf(settings, command);
        return runWatched(
            [&](std::ostream& screen, const std::atomic<bool>* stop) {
              return runSimulation(options, screen, stop);
            },
            onLine);
      },
      "Runs the simulation of these settings ((option, text) pairs); returns its exit status.");

  m.def(
      "scan",
      [](const std::vector<std::pair<std::string, std::string>>& settings,
         const std::vector<std::pair<std::string, std::vector<std::string>>>& axes,
         const std::string& command, const py::function& onLine) {
        RunOptions options = optionsOf(settings, command);
        std::vector<ScanAxis> scanAxes;
        for (const auto& [option, values] : axes) scanAxes.push_back(ScanAxis{option, values});
        return runWatched(
            [&](std::ostream& screen, const std::atomic<bool>* stop) {
              return runScan(options, scanAxes, screen, stop);
            },
            onLine);
      },
      "Runs the scan of the settings over the axes ((option, [texts]) pairs); returns its exit "
      "status.");

  m.def(
      "merge",
      [](const std::string& out, const std::vector<std::string>& inputs,
         const py::function& onLine) {
        return runWatched([&](std::ostream& screen,
                              const std::atomic<bool>*) { return runMerge(out, inputs, screen); },
                          onLine);
      },
      "Adds partial files into a run's output file, as `ornaplex merge`.");

  m.def(
      "inspect",
      [](const std::string& path) {
        std::ostringstream out, err;
        int status;
        {
          py::gil_scoped_release release;
          status = inspectFile(path, std::nullopt, true, out, err);
        }
        if (status != 0) {
          std::string message = err.str();
          const std::string prefix = "ornaplex inspect: ";
          if (message.starts_with(prefix)) message.erase(0, prefix.size());
          while (!message.empty() && message.back() == '\n') message.pop_back();
          throw py::value_error(message);
        }
        return out.str();
      },
      "What `ornaplex inspect PATH --json` prints; raises ValueError when it cannot read it.");
}
