#pragma once
// Every QuakeML document a test writes is checked against the official QuakeML 1.2 schema.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_program.hpp"
#include "tests/support/test_data.hpp"

namespace tw::testing {

inline void expect_valid_quakeml(const std::string& path) {
    const std::string schema = test_data("schemas/QuakeML-1.2.xsd");
    const ProgramResult r = run_program("xmllint", {"--noout", "--schema", schema, path});
    EXPECT_EQ(r.status, 0) << "xmllint (Debian package libxml2-utils) on " << path << ":\n"
                           << r.err;
}

} // namespace tw::testing
