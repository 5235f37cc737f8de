#include <gtest/gtest.h>

#include "inspect/PropertyListRules.h"

namespace {

using namespace PropertyList;

struct NavigateCase {
    int key;
    int caret;
    bool selection;
    int length;
    bool navigates;
};

// Up, Down and Tab always leave; Left and Right only from the matching end with nothing
// selected.
TEST(PropertyListRules, WhichKeysLeaveTheEditor) {
    const NavigateCase cases[] = {
        {kUp, 2, false, 4, true},    {kDown, 2, true, 4, true},    {kTab, 0, false, 0, true},
        {kLeft, 0, false, 4, true},  {kLeft, 1, false, 4, false},  {kLeft, 0, true, 4, false},
        {kRight, 4, false, 4, true}, {kRight, 3, false, 4, false}, {kRight, 4, true, 4, false},
        {kLeft, 0, false, 0, true},  {kRight, 0, false, 0, true},  {65, 0, false, 0, false},
    };
    for (const NavigateCase& c : cases) {
        EXPECT_EQ(EditorNavigates(c.key, c.caret, c.selection, c.length), c.navigates)
            << c.key << " caret " << c.caret << " selection " << c.selection << " of " << c.length;
    }
}

// Up from the first row leaves none selected; Down stays on the last; other keys are the
// list's to ignore.
TEST(PropertyListRules, RowAfterAKeyFromTheEditor) {
    struct Case {
        int selected;
        int key;
        int rows;
        std::optional<int> row;
    };
    const Case cases[] = {{1, kUp, 3, 0},
                          {0, kUp, 3, -1},
                          {-1, kUp, 3, -1},
                          {0, kDown, 3, 1},
                          {2, kDown, 3, 2},
                          {-1, kDown, 3, 0},
                          {0, kDown, 0, -1},
                          {1, kTab, 3, std::nullopt},
                          {1, kLeft, 3, std::nullopt},
                          {1, kRight, 3, std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(RowAfterNavigate(c.selected, c.key, c.rows), c.row)
            << c.selected << " key " << c.key << " of " << c.rows;
    }
}

}  // namespace
