// Page 2 on the headless host.

#include "tests/unit/ui_headless_harness.h"
#include "tests/unit/ui_page2_scenarios.h"

namespace page_test {

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, Page2Scenarios, HeadlessHost);

}  // namespace page_test
