#include "cli/steps/registry.h"

#include "effects/resize_page.h"
#include "effects/rotate_page.h"
#include "starfilter/star_page.h"

namespace kira {

const std::vector<TStepSpec>& AllSteps() {
  static const std::vector<TStepSpec> steps = [] {
    std::vector<TStepSpec> s;
    s.push_back(BrightPointsStep());
    s.push_back(StarStep());
    s.push_back(ResizeStep());
    s.push_back(RotateStep());
    return s;
  }();
  return steps;
}

}  // namespace kira
