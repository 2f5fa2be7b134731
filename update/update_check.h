// The update check: once per run the publisher's update file is fetched;
// when it names a version other than this one, a message box tells the user
// and the download page it names opens in the web browser.
#pragma once

#include "update/update_services.h"

// The check, through the given services. Every failure (no network, a bad
// status, an empty or odd file) ends it quietly.
void CheckForUpdate(UpdateServices& services);

// The update worker's routine: the check through the platform's services.
void CheckForUpdate();
