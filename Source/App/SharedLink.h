#pragma once
// A shared link opened before the first frame (tessavin --link, and the
// capture tool's): its shaders are written into a folder of this run's own
// under the system's temporary folder, which the data lookup reads before
// the data folder (Common/DataFolder.h) and whose Filters holds the link's
// filters. The user's data is never written; the folder goes with the run.

#include <string>

namespace gen
{

// Opens the link in address (Common/ShareLink.h); false, with error saying
// why (too long, not a link, files it may not write, a folder that cannot be
// written), and nothing changed.
bool OpenSharedLink(const std::string& address, std::string& error);

// Removes the link's folder and stops reading it; nothing when none is open.
void CloseSharedLink();

} // namespace gen
