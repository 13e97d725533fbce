// Every batch step, one row per effect page, in the order of --help.
#pragma once

#include <vector>

#include "document/steps.h"

namespace kira {

const std::vector<TStepSpec>& AllSteps();

}  // namespace kira
