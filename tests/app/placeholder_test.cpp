#include <gtest/gtest.h>
#include "common/dialogs.h"
TEST(Placeholder, Builds) { EXPECT_EQ(kvsys::kAppTitle, QStringLiteral("賞状")); }
