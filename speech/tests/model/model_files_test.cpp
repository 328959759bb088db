// The small input files of the model initialiser: model lists and transitions.
#include <gtest/gtest.h>

#include "model_list.h"
#include "topology.h"

namespace speech {
namespace {

TEST(ModelList, ReadsIndexedUniqueNamesAndMarksThePauseModel) {
    const auto models = ParseModelList("0 sp\n1 sil");
    ASSERT_TRUE(models);
    ASSERT_EQ(models->size(), 2u);
    EXPECT_EQ((*models)[0].name, "sp");
    EXPECT_FALSE((*models)[0].silence);
    EXPECT_EQ((*models)[1].name, "sil");
    EXPECT_TRUE((*models)[1].silence);

    for (const char* bad :
         {"", "0", "0 sp 1", "1 sp", "0 sp\n2 sil", "0 sp\n1 sp", "x sp", "0 sp\n01x sil"}) {
        EXPECT_FALSE(ParseModelList(bad)) << bad;
    }
}

TEST(Topology, DefaultIsThreeStatesLeftToRight) {
    const Topology topology = DefaultTopology();
    ASSERT_EQ(topology.states, 3u);
    for (std::size_t from = 0; from < 3; ++from) {
        double sum = 0.0;
        for (std::size_t to = 0; to <= 3; ++to) {
            sum += topology.At(from, to);
            if (to != from && to != from + 1) {
                EXPECT_EQ(topology.At(from, to), 0.0) << from << "->" << to;
            }
        }
        EXPECT_DOUBLE_EQ(sum, 1.0);
    }
}

TEST(Topology, ParsesRowsThatSumToOneAndRefusesTheRest) {
    const auto two = ParseTopology("2\n0.5 0.5 0\n0 0.7 0.3\n");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->states, 2u);
    EXPECT_EQ(two->At(1, 2), 0.3);
    for (const char* bad : {"", "0", "17", "1\n0.5 0.4", "1\n0.5 0.5 0.1", "1\n-0.5 1.5",
                            "1\n0.5 0.5 extra", "1\nnan 1"}) {
        EXPECT_FALSE(ParseTopology(bad)) << bad;
    }
}

}  // namespace
}  // namespace speech
