#pragma once

#include "common/core/ApplicationInfo.h"

namespace agendix::app {

// This program's information: file name and folder of the running executable, the title
// "Agendix" and the version of this build. `prevInstance` comes from the instance lock.
common::ApplicationInfo CurrentApplicationInfo(bool prevInstance);

}  // namespace agendix::app
