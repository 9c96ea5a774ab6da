// `ornaplex plot FILE --output DIR`: pictures of a histogram file, drawn by the project's
// plotting script with the system's Python (matplotlib, h5py).
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ornaplex {

// The interpreter that has the plotting modules (the system's, whatever PATH says).
inline constexpr const char* kPlotPython = "/usr/bin/python3";

// The plotting script of a source tree, given its data directory: <dataDir>/../tools/plot_run.py.
std::string plotScriptPath(const std::string& dataDir);

// What to draw: every histogram and the overview page (the default), one histogram, or the
// overview page alone. values: of a scan table, the report values to draw (keys as in
// `inspect --json`); empty draws the scan page's usual ones.
struct PlotChoice {
  std::optional<int> id;
  bool overviewOnly = false;
  std::vector<std::string> values;
  // Not pictures but one self-contained HTML page of the file at this path (never over an
  // existing file): settings, report values, the overview and key pictures (or the scan page).
  std::string html;
};

// The default picture directory: next to the file, its name less .h5 plus "-plots".
std::string defaultPlotDirectory(const std::string& path);

// Checks the file as `inspect` does, creates outDir, and runs
// kPlotPython script FILE --output DIR --report <the file's report numbers as JSON>.
// Writes DIR/h<id>.png per histogram and DIR/overview.png and DIR/overview.pdf (or what choice
// asks for); the script prints what it wrote. A scan table (scan.h5) gives DIR/scan.png and
// DIR/scan.pdf. Returns 0; 2 after one line on err when the file cannot be read (as inspect),
// holds no histogram choice.id or no value of choice.values, or when the choice does not fit
// the file (an id of a scan table, values of a run file); 1 after one line when the
// directory, the interpreter or the script fails.
int plotFile(const std::string& path, const std::string& outDir, std::ostream& err,
             const std::string& script, const PlotChoice& choice = {});

}  // namespace ornaplex
