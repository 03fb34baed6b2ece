#include "orvel/DetailCategorizer.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(DetailCategorizer, SplitsByExplanationKeyInCodePointOrder) {
    const DetailCategorizer split(Details{{"exp_relative", "in 2 hours"},
                                          {"relative", "r"},
                                          {"security", "s"},
                                          {"alg", "HS256"},
                                          {"alg_note", "n"},
                                          {"Zeta", "z"},
                                          {"jti_meaning", "m"},
                                          {"next_steps", "x"},
                                          {"note", "plain"}});
    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(split.facts, (Rows{{"Zeta", "z"}, {"alg", "HS256"}, {"note", "plain"}, {"relative", "r"}}));
    EXPECT_EQ(split.notes, (Rows{{"alg_note", "n"}, {"exp_relative", "in 2 hours"}, {"jti_meaning", "m"},
                                 {"next_steps", "x"}, {"security", "s"}}));
}

} // namespace
} // namespace orvel
