#include <gtest/gtest.h>

#include "app/DefinitionHighlight.h"

namespace {

// The ranges drawn under the text, one mark per UTF-16 unit: K key, P parameter, C comment,
// "." default colour.
std::string Marks(std::u16string_view text, const std::vector<ColourRange>& ranges) {
    std::string marks(text.size(), '.');
    for (const ColourRange& range : ranges) {
        const char mark = range.colour == DefinitionColour::Key         ? 'K'
                          : range.colour == DefinitionColour::Parameter ? 'P'
                                                                        : 'C';
        for (int i = range.start; i < range.end; ++i) {
            marks[static_cast<std::size_t>(i)] = mark;
        }
    }
    return marks;
}

struct ColourCase {
    const char* name;
    std::u16string text;  // as the view holds it: one character per line break
    std::string marks;
};

[[maybe_unused]] void PrintTo(const ColourCase& c, std::ostream* os) {
    *os << c.name;
}

class Colours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(Colours, OfTheDefinition) {
    const ColourCase& c = GetParam();
    const auto ranges = FindDefinitionColours(c.text);
    ASSERT_TRUE(ranges.has_value());
    EXPECT_EQ(Marks(c.text, *ranges), c.marks);
    for (const ColourRange& range : *ranges) {
        EXPECT_LT(range.start, range.end);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, Colours,
    ::testing::Values(
        ColourCase{"KeyParameterComment", u"$A 01 &Адрес& 02 ;note\n", ".K.....PPPPP......CCCC."},
        ColourCase{"CommentRunsToTheEnd", u"$A 01 &Адрес& 02 ;note", ".K.....PPPPP......CCCC"},
        ColourCase{"SecondSemicolonRestarts", u"$A 01 ;x;y\n", ".K.......C."},
        ColourCase{"LineBreaksCountOnce", u";head\n$B ;ab\n&p&\r;cd", ".......K..CC..P...CC"},
        ColourCase{"UnfinishedParameter", u"$A 01 &name", ".K........."},
        ColourCase{"AmpersandInAComment", u"$A ;a&b&c", ".K..CCCCC"},
        ColourCase{"SemicolonInAParameter", u"$A &a;b& ;c", ".K..PPP...C"},
        ColourCase{"StopsAtTheNextDollar", u"$A ;x $B ;y", ".K..CC....."},
        ColourCase{"EmptyComment", u"$A ;\n01", ".K....."},
        ColourCase{"EmptyParameter", u"$A &&01", ".K....."},
        ColourCase{"KeyIsALineBreak", u"$\n;c", ".K.C"}),
    [](const ::testing::TestParamInfo<ColourCase>& info) { return info.param.name; });

TEST(Colours, NothingWithoutADollarAndKey) {
    EXPECT_FALSE(FindDefinitionColours(u"01 02 ;x").has_value());
    EXPECT_FALSE(FindDefinitionColours(u"").has_value());
    EXPECT_FALSE(FindDefinitionColours(u"01 02$").has_value());
    EXPECT_TRUE(FindDefinitionColours(u"$A")->size() == 1u);
}

}  // namespace
