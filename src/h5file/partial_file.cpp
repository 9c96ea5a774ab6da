#include "h5file/partial_file.h"

#include <algorithm>

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/histogram_writer.h"

namespace ornaplex {

namespace {

using h5::Handle;

Handle space(const std::vector<hsize_t>& dims) {
  return Handle(H5Screate_simple(int(dims.size()), dims.data(), nullptr), H5Sclose, "dataspace");
}

void writeArray(hid_t loc, const std::string& name, const std::vector<hsize_t>& dims,
                hid_t fileType, hid_t memType, const void* data) {
  Handle s = space(dims);
  Handle dcpl = h5::datasetCreationList();
  Handle d(H5Dcreate2(loc, name.c_str(), fileType, s.get(), H5P_DEFAULT, dcpl.get(), H5P_DEFAULT),
           H5Dclose, "create dataset " + name);
  hsize_t n = 1;
  for (hsize_t v : dims) n *= v;
  if (n > 0)
    h5::check(H5Dwrite(d.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data),
              "write dataset " + name);
  d.close("close dataset " + name);
  dcpl.close("close dataset " + name);
  s.close("close dataset " + name);
}

Handle utf8Type() {
  Handle t(H5Tcopy(H5T_C_S1), H5Tclose, "string type");
  h5::check(H5Tset_size(t.get(), H5T_VARIABLE), "string type");
  h5::check(H5Tset_cset(t.get(), H5T_CSET_UTF8), "string type");
  return t;
}

// Reads a dataset of the expected rank and element type; dims receives its shape.
template <typename T>
std::vector<T> readArray(hid_t loc, const std::string& name, hid_t memType,
                         std::vector<hsize_t>& dims, std::size_t rank) {
  const Handle d(H5Dopen2(loc, name.c_str(), H5P_DEFAULT), H5Dclose, "open dataset " + name);
  const Handle s(H5Dget_space(d.get()), H5Sclose, "dataset " + name);
  if (H5Sget_simple_extent_ndims(s.get()) != int(rank))
    throw h5::Failure(name + " has not " + std::to_string(rank) + " dimensions");
  dims.assign(rank, 0);
  H5Sget_simple_extent_dims(s.get(), dims.data(), nullptr);
  hsize_t n = 1;
  for (hsize_t v : dims) n *= v;
  std::vector<T> out(n);
  if (n > 0)
    h5::check(H5Dread(d.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, out.data()),
              "read dataset " + name);
  return out;
}

std::vector<std::string> readStrings(hid_t loc, const std::string& name, hsize_t& n) {
  const Handle d(H5Dopen2(loc, name.c_str(), H5P_DEFAULT), H5Dclose, "open dataset " + name);
  const Handle s(H5Dget_space(d.get()), H5Sclose, "dataset " + name);
  if (H5Sget_simple_extent_ndims(s.get()) != 1) throw h5::Failure(name + " is not a list");
  H5Sget_simple_extent_dims(s.get(), &n, nullptr);
  std::vector<std::string> out;
  if (n == 0) return out;
  const Handle type = utf8Type();
  std::vector<char*> p(n, nullptr);
  h5::check(H5Dread(d.get(), type.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, p.data()),
            "read dataset " + name);
  out.reserve(n);
  for (char* c : p) out.emplace_back(c ? c : "");
  H5Dvlen_reclaim(type.get(), s.get(), H5P_DEFAULT, p.data());
  return out;
}

void writeBlocks(hid_t file, const PartialContents& c) {
  Handle blocks = h5::createGroup(file, "blocks", false);
  const hsize_t n = c.records.size();
  std::vector<std::int64_t> first, last, counters, counts;
  std::vector<double> sums, counterWeights, tallyWeights, pairSums;
  for (const PartialRecord& r : c.records) {
    first.push_back(r.first);
    last.push_back(r.last);
    counters.insert(counters.end(), r.counters.begin(), r.counters.end());
    sums.insert(sums.end(), r.sums.begin(), r.sums.end());
    counts.insert(counts.end(), r.counts.begin(), r.counts.end());
    counterWeights.insert(counterWeights.end(), r.counterWeights.begin(), r.counterWeights.end());
    tallyWeights.insert(tallyWeights.end(), r.tallyWeights.begin(), r.tallyWeights.end());
    pairSums.insert(pairSums.end(), r.pairSums.begin(), r.pairSums.end());
  }
  writeArray(blocks.get(), "index", {n}, H5T_STD_I64LE, H5T_NATIVE_INT64, first.data());
  writeArray(blocks.get(), "last", {n}, H5T_STD_I64LE, H5T_NATIVE_INT64, last.data());
  writeArray(blocks.get(), "counters", {n, kPartialCounters}, H5T_STD_I64LE, H5T_NATIVE_INT64,
             counters.data());
  writeArray(blocks.get(), "tally_sums", {n, kPartialTallies, 2}, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE,
             sums.data());
  writeArray(blocks.get(), "tally_counts", {n, kPartialTallies}, H5T_STD_I64LE, H5T_NATIVE_INT64,
             counts.data());
  if (c.weighted) {
    writeArray(blocks.get(), "counter_weights", {n, kPartialCounters, 2}, H5T_IEEE_F64LE,
               H5T_NATIVE_DOUBLE, counterWeights.data());
    writeArray(blocks.get(), "tally_weights", {n, kPartialTallies, 3}, H5T_IEEE_F64LE,
               H5T_NATIVE_DOUBLE, tallyWeights.data());
  }
  if (c.pairs)
    writeArray(blocks.get(), "pair_sums", {n, kPartialPairSums}, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE,
               pairSums.data());

  Handle lines = h5::createGroup(blocks.get(), "lines", false);
  const hsize_t m = c.lines.size();
  std::vector<std::int64_t> event, block;
  std::vector<std::int8_t> channel;
  std::vector<const char*> text;
  for (const PartialLine& l : c.lines) {
    event.push_back(l.event);
    channel.push_back(std::int8_t(l.channel));
    block.push_back(l.block);
    text.push_back(l.text.c_str());
  }
  writeArray(lines.get(), "event", {m}, H5T_STD_I64LE, H5T_NATIVE_INT64, event.data());
  writeArray(lines.get(), "channel", {m}, H5T_STD_I8LE, H5T_NATIVE_INT8, channel.data());
  writeArray(lines.get(), "block", {m}, H5T_STD_I64LE, H5T_NATIVE_INT64, block.data());
  Handle type = utf8Type();
  writeArray(lines.get(), "text", {m}, type.get(), type.get(), text.data());
  type.close("close the string type");
  lines.close("close group lines");
  blocks.close("close group blocks");
}

herr_t collectAttributeName(hid_t, const char* name, const H5A_info_t*, void* data) {
  static_cast<std::vector<std::string>*>(data)->push_back(name);
  return 0;
}

std::vector<Attribute> readAttributes(hid_t obj) {
  std::vector<std::string> names;
  hsize_t idx = 0;
  h5::check(H5Aiterate2(obj, H5_INDEX_NAME, H5_ITER_INC, &idx, collectAttributeName, &names),
            "list the run attributes");
  std::vector<Attribute> out;
  for (const std::string& name : names) {
    const Handle a(H5Aopen(obj, name.c_str(), H5P_DEFAULT), H5Aclose, "open attribute " + name);
    const Handle type(H5Aget_type(a.get()), H5Tclose, "attribute " + name);
    const Handle s(H5Aget_space(a.get()), H5Sclose, "attribute " + name);
    if (H5Sget_simple_extent_npoints(s.get()) != 1) continue;  // lists: not part of the run
    switch (H5Tget_class(type.get())) {
      case H5T_STRING:
        out.push_back({name, h5::readStringAttribute(obj, name)});
        break;
      case H5T_INTEGER:
        out.push_back({name, h5::readIntegerAttribute(obj, name)});
        break;
      case H5T_FLOAT:
        out.push_back({name, h5::readDoubleAttribute(obj, name)});
        break;
      default:
        break;
    }
  }
  return out;
}

}  // namespace

const Attribute* PartialContents::attribute(const std::string& name) const {
  for (const Attribute& a : run)
    if (a.name == name) return &a;
  return nullptr;
}

std::string writePartialFile(const NewFileName& name, const PartialContents& contents) {
  return publishBuiltFile(name, "partial file", [&](hid_t f) {
    writeHistogramContents(f, contents.store, contents.run, {}, {});
    writeBlocks(f, contents);
  });
}

std::string writePartialFile(const std::string& path, const PartialContents& contents) {
  return writePartialFile(NewFileName::exactly(path), contents);
}

PartialContents readPartialFile(const std::string& path) {
  PartialContents c;
  c.store = readHistogramFile(path);  // refuses a missing or foreign file
  const std::string todo = ") give a partial file written by ornaplex --blocks";
  try {
    const Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open " + path);
    {
      const Handle run(H5Gopen2(f.get(), "run", H5P_DEFAULT), H5Gclose, "open group /run");
      c.run = readAttributes(run.get());
    }
    const Attribute* partial = c.attribute("partial");
    if (!partial || !std::holds_alternative<std::int64_t>(partial->value) ||
        std::get<std::int64_t>(partial->value) != 1 || !h5::hasLink(f.get(), "blocks"))
      throw InputError("cannot merge " + path + " (it is not a partial file: /run has no " +
                       "partial = 1 or there is no /blocks" + todo);
    const Handle blocks(H5Gopen2(f.get(), "blocks", H5P_DEFAULT), H5Gclose, "open /blocks");
    std::vector<hsize_t> d;
    const auto first = readArray<std::int64_t>(blocks.get(), "index", H5T_NATIVE_INT64, d, 1);
    const hsize_t n = d[0];
    const auto last = readArray<std::int64_t>(blocks.get(), "last", H5T_NATIVE_INT64, d, 1);
    if (d[0] != n) throw h5::Failure("last and index differ in length");
    const auto counters = readArray<std::int64_t>(blocks.get(), "counters", H5T_NATIVE_INT64, d, 2);
    if (d[0] != n || d[1] != kPartialCounters)
      throw h5::Failure("counters is not [n, " + std::to_string(kPartialCounters) + "]");
    const auto sums = readArray<double>(blocks.get(), "tally_sums", H5T_NATIVE_DOUBLE, d, 3);
    if (d[0] != n || d[1] != kPartialTallies || d[2] != 2)
      throw h5::Failure("tally_sums is not [n, " + std::to_string(kPartialTallies) + ", 2]");
    const auto counts =
        readArray<std::int64_t>(blocks.get(), "tally_counts", H5T_NATIVE_INT64, d, 2);
    if (d[0] != n || d[1] != kPartialTallies)
      throw h5::Failure("tally_counts is not [n, " + std::to_string(kPartialTallies) + "]");
    c.weighted = h5::hasLink(blocks.get(), "counter_weights");
    if (c.weighted != h5::hasLink(blocks.get(), "tally_weights"))
      throw h5::Failure("only one of counter_weights and tally_weights is there");
    std::vector<double> counterWeights, tallyWeights;
    if (c.weighted) {
      counterWeights = readArray<double>(blocks.get(), "counter_weights", H5T_NATIVE_DOUBLE, d, 3);
      if (d[0] != n || d[1] != kPartialCounters || d[2] != 2)
        throw h5::Failure("counter_weights is not [n, " + std::to_string(kPartialCounters) +
                          ", 2]");
      tallyWeights = readArray<double>(blocks.get(), "tally_weights", H5T_NATIVE_DOUBLE, d, 3);
      if (d[0] != n || d[1] != kPartialTallies || d[2] != 3)
        throw h5::Failure("tally_weights is not [n, " + std::to_string(kPartialTallies) + ", 3]");
    }
    c.pairs = h5::hasLink(blocks.get(), "pair_sums");
    std::vector<double> pairSums;
    if (c.pairs) {
      pairSums = readArray<double>(blocks.get(), "pair_sums", H5T_NATIVE_DOUBLE, d, 2);
      if (d[0] != n || d[1] != kPartialPairSums)
        throw h5::Failure("pair_sums is not [n, " + std::to_string(kPartialPairSums) + "]");
    }
    for (hsize_t i = 0; i < n; ++i) {
      PartialRecord r;
      r.first = first[i];
      r.last = last[i];
      if (r.first < 0 || r.last < r.first || (r.last != r.first && r.first != 0))
        throw h5::Failure("row " + std::to_string(i) + " covers blocks " + std::to_string(r.first) +
                          " to " + std::to_string(r.last));
      if (i > 0 && r.first <= c.records.back().last)
        throw h5::Failure("rows out of block order or overlapping at row " + std::to_string(i));
      std::copy_n(counters.begin() + i * kPartialCounters, kPartialCounters, r.counters.begin());
      std::copy_n(sums.begin() + i * 2 * kPartialTallies, 2 * kPartialTallies, r.sums.begin());
      std::copy_n(counts.begin() + i * kPartialTallies, kPartialTallies, r.counts.begin());
      if (c.weighted) {
        std::copy_n(counterWeights.begin() + i * 2 * kPartialCounters, 2 * kPartialCounters,
                    r.counterWeights.begin());
        std::copy_n(tallyWeights.begin() + i * 3 * kPartialTallies, 3 * kPartialTallies,
                    r.tallyWeights.begin());
      }
      if (c.pairs)
        std::copy_n(pairSums.begin() + i * kPartialPairSums, kPartialPairSums, r.pairSums.begin());
      c.records.push_back(r);
    }
    const Handle lines(H5Gopen2(blocks.get(), "lines", H5P_DEFAULT), H5Gclose,
                       "open /blocks/lines");
    const auto event = readArray<std::int64_t>(lines.get(), "event", H5T_NATIVE_INT64, d, 1);
    const hsize_t m = d[0];
    const auto channel = readArray<std::int8_t>(lines.get(), "channel", H5T_NATIVE_INT8, d, 1);
    if (d[0] != m) throw h5::Failure("lines/channel differs in length");
    const auto block = readArray<std::int64_t>(lines.get(), "block", H5T_NATIVE_INT64, d, 1);
    if (d[0] != m) throw h5::Failure("lines/block differs in length");
    hsize_t nt = 0;
    std::vector<std::string> text = readStrings(lines.get(), "text", nt);
    if (nt != m) throw h5::Failure("lines/text differs in length");
    std::size_t row = 0;
    for (hsize_t i = 0; i < m; ++i) {
      while (row < c.records.size() && c.records[row].first < block[i]) ++row;
      if (row == c.records.size() || c.records[row].first != block[i])
        throw h5::Failure("line " + std::to_string(i) + " belongs to no row");
      if (channel[i] < 0 || channel[i] > 2)
        throw h5::Failure("line " + std::to_string(i) + " has an unknown channel");
      c.lines.push_back({event[i], LineChannel(channel[i]), block[i], std::move(text[i])});
    }
  } catch (const InputError&) {
    throw;
  } catch (const std::exception& e) {
    throw InputError("cannot read the blocks of " + path + " (" + e.what() + todo);
  }
  return c;
}

}  // namespace ornaplex
