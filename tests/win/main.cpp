// The Windows test program's entry point.  Tests that need the toolkit or the
// image library initialise what they use themselves.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
