// Data rows of parameterised tests are named by their `name` member, in the
// test's name and in what GoogleTest prints.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

template <typename Row>
std::string RowName(const testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

template <typename Row>
    requires requires(const Row& row) { row.name; }
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}
