#include <gtest/gtest.h>

#include "app/PacketFileList.h"
#include "packet/PacketTable.h"
#include "support/TempFiles.h"

namespace {

class PacketFiles : public ::testing::Test {
protected:
    CPacketTable* Load(const std::string& relative,
                       CPacketFileList::LoadResult expected = CPacketFileList::LoadResult::Loaded) {
        std::filesystem::create_directories((dir.Path() / relative).parent_path());
        const std::string path = dir.Write(relative, "$" + relative.substr(0, 1) + " 01\r\n");
        CPacketTable* file = nullptr;
        EXPECT_EQ(files.Load(path, &file), expected) << relative;
        return file;
    }

    TempDir dir;
    CPacketFileList files;
};

TEST_F(PacketFiles, TheCurrentFileThroughSelectAndRemove) {
    CPacketTable* a = Load("a.kad");
    CPacketTable* b = Load("b.kad");
    CPacketTable* c = Load("c.kad");
    files.Select(b);
    files.Remove(a);
    EXPECT_EQ(files.GetCurrent(), b);  // removing another file leaves it
    EXPECT_EQ(files.GetCurrent()->Find('b')->GetText(), "01");
    files.Remove(nullptr);
    EXPECT_EQ(files.GetCount(), 2);
    files.Remove(b);
    EXPECT_EQ(files.GetCurrent(), nullptr);
    EXPECT_FALSE(files.Contains(b));

    files.Select(c);
    CPacketTable stranger;
    files.Select(&stranger);  // not in the list: none current
    EXPECT_EQ(files.GetCurrent(), nullptr);
    files.Select(c);
    files.Clear();
    EXPECT_EQ(files.GetCount(), 0);
    EXPECT_EQ(files.GetCurrent(), nullptr);
}

TEST(PacketFileName, AfterTheLastSeparator) {
    EXPECT_EQ(CPacketFileList::FileNameOf("/home/u/kad/memory.kad"), "memory.kad");
    EXPECT_EQ(CPacketFileList::FileNameOf("memory.kad"), "memory.kad");
    EXPECT_EQ(CPacketFileList::FileNameOf("/dir/"), "");
}

}  // namespace
