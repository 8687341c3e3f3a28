// Page 3 on the headless host.

#include "tests/unit/ui_headless_harness.h"
#include "tests/unit/ui_page3_scenarios.h"

namespace page_test {

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, Page3Scenarios, HeadlessHost);

}  // namespace page_test
