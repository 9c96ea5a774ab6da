#include "h5file/nexus_default.h"

#include <string>

#include "h5file/h5_handle.h"

namespace ornaplex {

namespace {

using h5::Handle;

void replaceStringAttribute(hid_t obj, const std::string& name, const std::string& value) {
  if (h5::hasAttribute(obj, name)) h5::check(H5Adelete(obj, name.c_str()), "remove @" + name);
  h5::writeAttribute(obj, name, value);
}

}  // namespace

void addNexusDefault(hid_t file) {
  const std::string target = "/histograms/h" + std::to_string(kDefaultPlotId);
  if (!h5::hasLink(file, "run")) throw h5::Failure("the file has no /run group");
  if (!h5::hasLink(file, "histograms") || !h5::hasLink(file, target.c_str()))
    throw h5::Failure("the file has no " + target);
  Handle run(H5Gopen2(file, "run", H5P_DEFAULT), H5Gclose, "open /run");
  if (h5::hasLink(run.get(), kDefaultPlotLink))
    h5::check(H5Ldelete(run.get(), kDefaultPlotLink, H5P_DEFAULT), "remove the old link");
  h5::check(H5Lcreate_soft(target.c_str(), run.get(), kDefaultPlotLink, H5P_DEFAULT, H5P_DEFAULT),
            "link /run/" + std::string(kDefaultPlotLink));
  replaceStringAttribute(run.get(), "default", kDefaultPlotLink);
  run.close("close /run");
  Handle root(H5Gopen2(file, "/", H5P_DEFAULT), H5Gclose, "open the root group");
  replaceStringAttribute(root.get(), "default", "run");
  root.close("close the root group");
}

}  // namespace ornaplex
