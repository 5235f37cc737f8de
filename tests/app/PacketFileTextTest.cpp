#include <gtest/gtest.h>

#include "app/PacketFileText.h"
#include "packet/PacketTable.h"
#include "support/TempFiles.h"

namespace {

const std::string kAddress1251 = "\xc0\xe4\xf0\xe5\xf1";  // "Адрес"

// Decided once for the whole file: UTF-8 only when it is valid UTF-8 and not plain ASCII.
TEST(PacketFileText, EncodingOfAFile) {
    struct Case {
        const char* name;
        std::string file;
        ScriptEncoding encoding;
    };
    const Case cases[] = {
        {"Windows1251", "$r 10 &" + kAddress1251 + "& 04 ; \xf7\xf2\xe5\xed\xe8\xe5\r\n",
         ScriptEncoding::Windows1251},
        {"Utf8", "; Чтение\r\n$r 10 &Адрес& 04\r\n", ScriptEncoding::Utf8},
        {"Ascii", "$1 01\r\n$2 02\r\n", ScriptEncoding::Windows1251},
        // One Windows-1251 byte anywhere, even in the last record, makes the file 1251.
        {"Mixed", "; Чтение\r\n$1 01\r\n$2 02 ;\xe0", ScriptEncoding::Windows1251},
        {"NoRecords", "; Чтение", ScriptEncoding::Windows1251},
    };
    for (const Case& c : cases) {
        TempDir dir;
        CPacketTable table;
        ASSERT_EQ(table.Load(dir.Write("t.kad", c.file).c_str(), "t.kad"), 1);
        EXPECT_EQ(DetectScriptEncoding(table), c.encoding) << c.name;
        if (table.GetCount() > 0) {
            EXPECT_EQ(DetectScriptEncoding(c.file), c.encoding) << c.name;
        }
    }
}

TEST(PacketFileText, Decoding) {
    EXPECT_EQ(DecodeScriptText("&" + kAddress1251 + "&", ScriptEncoding::Windows1251), "&Адрес&");
    EXPECT_EQ(DecodeScriptText("&Адрес&", ScriptEncoding::Utf8), "&Адрес&");
    // A key byte cut out of a UTF-8 character still shows, as the code page reads it.
    EXPECT_EQ(DecodeScriptText("\xD1 01 я", ScriptEncoding::Utf8), "С 01 я");
}

TEST(PacketFileText, Labels) {
    struct Case {
        int key;
        std::string text;
        ScriptEncoding encoding;
        std::string label;
    };
    const Case cases[] = {
        {'Q', "0102", ScriptEncoding::Windows1251, "< Q > - 0102"},
        {'l', "23&" + kAddress1251 + "&", ScriptEncoding::Windows1251, "< l > - 23&Адрес&"},
        {'r', "10&Адрес&04", ScriptEncoding::Utf8, "< r > - 10&Адрес&04"},
        {-1, "01", ScriptEncoding::Windows1251, "< я > - 01"},
        {0x44F, "02", ScriptEncoding::Utf8, "< я > - 02"},  // a character of a UTF-8 file
        {'\r', "", ScriptEncoding::Windows1251, "< \u240D > - "},
        {'\t', "03", ScriptEncoding::Windows1251, "< \u2409 > - 03"},
        {' ', "04", ScriptEncoding::Windows1251, "<   > - 04"},
        {0x7F, "", ScriptEncoding::Windows1251, "< \u2421 > - "},
        {static_cast<signed char>(0x98), "", ScriptEncoding::Windows1251, "< \uFFFD > - "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefinitionLabel(c.key, c.text, c.encoding), c.label) << c.key;
    }
}

// A label of more than 1023 characters is cut there, never inside a character.
TEST(PacketFileText, LongLabelsAreCut) {
    EXPECT_EQ(DefinitionLabel('A', std::string(2000, '0'), ScriptEncoding::Windows1251),
              "< A > - " + std::string(1015, '0'));
    std::string names;
    for (int i = 0; i < 600; ++i) {
        names += "\xc0\xe4";  // "Ад"
    }
    const std::string label = DefinitionLabel('A', names, ScriptEncoding::Windows1251);
    EXPECT_EQ(label.size(), 8u + 1015u * 2u);
    EXPECT_EQ(label.substr(label.size() - 2), "А");  // the 1015th character, whole
}

}  // namespace
