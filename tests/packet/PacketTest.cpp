#include <gtest/gtest.h>

#include "packet/Packet.h"

TEST(Packet, placeholder) { EXPECT_EQ(CPacket(5).GetCommand(), 5); }
