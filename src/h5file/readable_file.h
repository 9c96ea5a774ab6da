// Opening an HDF5 file for reading with the real reason when it cannot be: a missing file, a
// link that leads nowhere, a file the user may not read, a directory, a file that is not HDF5,
// and an HDF5 file that is truncated or damaged are each told apart.
#pragma once

#include <string>

#include "h5file/h5_handle.h"

namespace ornaplex {

// Opens path read-only. Throws InputError "cannot read <what> (<reason>) <what to do>".
h5::Handle openHdf5ForReading(const std::string& path, const std::string& what);

// Why path cannot be opened for reading, or an empty text when it can be: the errno text, or
// "<path> is a link to <target>, which cannot be opened: <errno text>", or "<path> is a
// directory". Reads nothing beyond the directory entries.
std::string unreadableReason(const std::string& path);

}  // namespace ornaplex
