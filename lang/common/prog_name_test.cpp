#include <gtest/gtest.h>

#include <climits>

#include "lang/common/prog_name.h"

namespace np {
namespace {

TEST(ProgNameTextId, NamedProgramsMapOntoTheProgramNameTexts) {
    EXPECT_EQ(prog_name_text_id(180), 584u);
    EXPECT_EQ(prog_name_text_id(183), 587u);
    EXPECT_EQ(prog_name_text_id(197), 601u);
}

TEST(ProgNameTextId, CodesOutsideTheNamedProgramsHaveNoText) {
    for (int code : {179, 198, 0, -1, -404, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(prog_name_text_id(code).has_value()) << code;
    }
}

}  // namespace
}  // namespace np
