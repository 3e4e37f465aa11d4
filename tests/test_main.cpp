#include <gtest/gtest.h>

#include "platform/platform_faces.h"
#include "support/support_runtime.h"

// Every test binary starts with the platform's real code-page conversion (iconv natively, the
// Windows functions under Wine), clock and threads, so text routines behave as in the product;
// a test on virtual time installs its own (tests/support/runtime_fixture.h). No window toolkit
// runs here, so no event pump is installed.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    mervolt::install_support_runtime(&mervolt::platform_text_codec(), &mervolt::platform_clock(), nullptr,
                                     &mervolt::platform_threads());
    return RUN_ALL_TESTS();
}
