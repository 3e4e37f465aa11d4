#include <gtest/gtest.h>

#include "platform/platform_faces.h"
#include "support/support_runtime.h"

// Every test binary starts with the platform's real code-page conversion (iconv natively, the
// Windows functions under Wine), so text routines behave as in the product unless a test's own
// fixture installs something else.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    mervolt::install_support_runtime(&mervolt::platform_text_codec(), nullptr, nullptr, nullptr);
    return RUN_ALL_TESTS();
}
