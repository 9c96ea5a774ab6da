#include "driver/scan_point.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/errors.h"
#include "driver/run_settings.h"
#include "driver/text_file.h"
#include "h5file/partial_file.h"
#include "h5file/published_file.h"
#include "h5file/readable_file.h"
#include "h5file/run_reader.h"
#include "results/report.h"

namespace ornaplex {

namespace fs = std::filesystem;

namespace {

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.rfind(prefix, 0) == 0;
}

void refuseOther(const std::string& file, const std::vector<Attribute>& expected,
                 const std::vector<Attribute>& found) {
  if (const auto d = firstIdentityDifference(expected, found))
    throw InputError("cannot use " + file + " (it holds another run: its " + d->attribute + " " +
                     d->second + " differs from this scan's " + d->first +
                     ") give another --output-dir for this scan, or move the file away");
}

// A partial file's blocks, when they follow one another without a gap: first and last; none
// for a file holding no block.
std::optional<std::pair<std::int64_t, std::int64_t>> contiguousBlocks(const PartialContents& c) {
  if (c.records.empty()) return std::nullopt;
  for (std::size_t i = 1; i < c.records.size(); ++i)
    if (c.records[i].first != c.records[i - 1].last + 1) return std::nullopt;
  return std::make_pair(c.records.front().first, c.records.back().last);
}

}  // namespace

PointFiles examinePoint(const std::string& dir, std::int32_t seed,
                        const std::vector<Attribute>& expected) {
  PointFiles p;
  const std::string base = outputFileBase(seed);
  const std::string final = joinPath(dir, base + ".h5");
  auto damaged = [&](const std::string& file, const std::string& why) {
    p.damaged.push_back(file);
    p.reasons.push_back(why);
  };
  if (fs::exists(final) || fs::is_symlink(final)) {
    std::optional<StoredRun> run;
    try {
      if (const std::string why = unreadableReason(final); !why.empty()) throw InputError(why);
      run = readStoredRun(final);
    } catch (const InputError& e) {
      damaged(final, e.what());
    }
    if (run) refuseOther(final, expected, run->attributes);
    p.finished = run.has_value();
  }
  if (p.finished || !fs::is_directory(dir)) return p;
  // Partial files of this point, by the first block they hold.
  std::vector<std::pair<std::pair<std::int64_t, std::int64_t>, std::string>> held;
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && startsWith(e.path().filename().string(), base + "-b") &&
        e.path().extension() == ".h5")
      names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  for (const std::string& file : names) {
    PartialContents c;
    try {
      c = readPartialFile(file);
    } catch (const InputError& e) {
      damaged(file, e.what());
      continue;
    }
    refuseOther(file, expected, c.run);
    if (const auto blocks = contiguousBlocks(c))
      held.push_back({*blocks, file});
    else if (c.records.empty())
      p.empty.push_back(file);
  }
  std::sort(held.begin(), held.end());
  for (const auto& [blocks, file] : held)
    if (blocks.first == p.nextBlock) {
      p.partials.push_back(file);
      p.nextBlock = blocks.second + 1;
    }
  return p;
}

std::string setAside(const std::string& path) {
  const fs::path p(path);
  const std::string name =
      freeOutputName(p.parent_path().string(), p.filename().string() + ".damaged", "");
  const std::string target = joinPath(p.parent_path().string(), name);
  std::error_code ec;
  fs::rename(path, target, ec);
  if (ec)
    throw OutputError("cannot set " + path + " aside as " + target + " (" + ec.message() +
                      ") move it away yourself and run the scan again");
  return target;
}

std::string moveSuperseded(const std::string& dir, const std::vector<std::string>& files) {
  const std::string folder = joinPath(dir, "superseded");
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const std::string& f : files) {
    const std::string name = freeOutputName(folder, fs::path(f).filename().string(), "");
    if (!ec) fs::rename(f, joinPath(folder, name), ec);
    if (ec)
      throw OutputError("cannot move " + f + " into " + folder + " (" + ec.message() +
                        ") move it yourself: the point's finished file is written");
  }
  return folder;
}

std::vector<std::string> interruptedLeftovers(const std::string& dir) {
  std::vector<std::string> files;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file() && ((startsWith(name, "ornaplex-") && e.path().extension() == ".o") ||
                                startsWith(name, "fort.18")))
      files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace ornaplex
