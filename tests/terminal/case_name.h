// Names the rows of a test table after their `name` field, so a failure says which row broke.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace orvanel::terminal_test {

template <typename Case>
std::string case_name(const testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

}  // namespace orvanel::terminal_test
