#include "h5file/nexus_default.h"

#include "common/errors.h"
#include "h5file/h5_handle.h"

namespace ornaplex {

namespace {

using h5::Handle;

void replaceStringAttribute(hid_t obj, const std::string& name, const std::string& value) {
  if (h5::hasAttribute(obj, name)) h5::check(H5Adelete(obj, name.c_str()), "remove @" + name);
  h5::writeAttribute(obj, name, value);
}

}  // namespace

void addNexusDefault(const std::string& path) {
  h5::silenceErrorPrinting();
  const std::string target = "/histograms/h" + std::to_string(kDefaultPlotId);
  try {
    Handle f(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose, "open for writing");
    if (!h5::hasLink(f.get(), "run")) throw h5::Failure("the file has no /run group");
    if (!h5::hasLink(f.get(), "histograms") || !h5::hasLink(f.get(), target.c_str()))
      throw h5::Failure("the file has no " + target);
    {
      const Handle run(H5Gopen2(f.get(), "run", H5P_DEFAULT), H5Gclose, "open /run");
      if (h5::hasLink(run.get(), kDefaultPlotLink))
        h5::check(H5Ldelete(run.get(), kDefaultPlotLink, H5P_DEFAULT), "remove the old link");
      h5::check(
          H5Lcreate_soft(target.c_str(), run.get(), kDefaultPlotLink, H5P_DEFAULT, H5P_DEFAULT),
          "link /run/" + std::string(kDefaultPlotLink));
      replaceStringAttribute(run.get(), "default", kDefaultPlotLink);
      const Handle root(H5Gopen2(f.get(), "/", H5P_DEFAULT), H5Gclose, "open the root group");
      replaceStringAttribute(root.get(), "default", "run");
    }
    f.close("write the file to disk");
  } catch (const std::exception& e) {
    throw OutputError("cannot mark the default plot of " + path + " (" + e.what() +
                      ") give a histogram file written by ornaplex");
  }
}

}  // namespace ornaplex
