// The web engine's flags: the workbench adds what the built-in Plus/4 needs
// and keeps whatever the user's environment already asks for.
#include <gtest/gtest.h>

#include "workbench/emulator/web_environment.h"

TEST(WebEnvironment, NeededFlagsAreAddedOnceBesideTheUsersOwn) {
  EXPECT_EQ(ChromiumFlagsWith(""), QByteArray("--ignore-gpu-blocklist --log-level=3"));
  EXPECT_EQ(ChromiumFlagsWith("  --disable-logging --ignore-gpu-blocklist "),
            QByteArray("--disable-logging --ignore-gpu-blocklist --log-level=3"));
  const QByteArray once = ChromiumFlagsWith("--foo");
  EXPECT_EQ(ChromiumFlagsWith(once), once);
}
