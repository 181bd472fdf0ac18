// Names the rows of a parameterised test by their Name member, so that a
// failure names its row: INSTANTIATE_TEST_SUITE_P(..., TRowName()).
#pragma once

#include <gtest/gtest.h>
#include <string>

struct TRowName {
    template <typename Row> std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return std::string(row.param.Name);
    }
};
