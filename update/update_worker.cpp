// The worker's routine lives apart from the check so that the check's tests
// and fuzzer link without the program's global state.
#include "app/platform.h"
#include "update/update_check.h"

void CheckForUpdate() {
  if (platform.update != nullptr) CheckForUpdate(*platform.update);
}
