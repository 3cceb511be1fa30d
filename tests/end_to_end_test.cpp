#include "tests/end_to_end.h"

#include <gtest/gtest.h>

TEST(EndToEndTest, WholeProgramThroughItsMovies)
{
    RunEndToEnd("pal-2min", false);
}
