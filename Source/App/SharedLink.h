#pragma once
// Files given to one run from outside the data: a shared link's shaders
// (tessavin --link, and the capture tool's) and files dropped on the window.
// They are written into a folder of the run's own under the system's
// temporary folder, which the data lookup reads before the data folder
// (Common/DataFolder.h) and whose Filters holds filters of their own. The
// user's data is never written; the folder goes with the run.

#include "Common/ShareLink.h"

#include <string>
#include <vector>

namespace gen
{

// Opens the link in address (Common/ShareLink.h); false, with error saying
// why (too long, not a link, files it may not write, a folder that cannot be
// written), and nothing changed.
bool OpenSharedLink(const std::string& address, std::string& error);

// The tuned values of the link opened last (none after CloseSharedLink).
const std::vector<SLinkValue>& SharedLinkValues();

// Writes text as the data name (such as "Filters\Sepia.psh") in the run's
// folder, made on first use; false when it cannot be written.
bool WriteRunFile(const std::string& dataName, const std::string& text);

// Removes the run's folder and stops reading it; nothing when there is none.
void CloseSharedLink();

} // namespace gen
