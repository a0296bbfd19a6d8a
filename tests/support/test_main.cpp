#include <gtest/gtest.h>

#include "support/test_environment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    nubivo::test::prepareProcess(argc, argv);
    return RUN_ALL_TESTS();
}
