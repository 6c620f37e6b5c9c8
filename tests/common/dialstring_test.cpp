#include "common/dialstring.h"

#include <gtest/gtest.h>

using qln::dialStringProblem;

// Numbers as people write them and with every dial modifier pass.
TEST(DialString, EveryDialCharacterPasses)
{
    for (const char *number : {"555-1212", "(030) 555 12.12", "+49 30 1234", "9,,0123", "*70,555#22",
                               "W555!1@", "T100", "p100", "ABCD", "abcd", ""})
        EXPECT_EQ(dialStringProblem(number), "") << number;
}

// A carriage return, line feed or escape would end the dial command and
// hand the rest to the modem as a command of its own; ';' returns it to
// command mode after dialling.
TEST(DialString, CommandBreakingBytesAreRefused)
{
    EXPECT_NE(dialStringProblem("100\rAT&F&W0"), "");
    EXPECT_NE(dialStringProblem("T100\r\nATD999"), "");
    EXPECT_NE(dialStringProblem("100;"), "");
    EXPECT_NE(dialStringProblem("100\x1b[2J"), "");
    EXPECT_NE(dialStringProblem(std::string("100\0" "5", 5)), "");
    for (const char *number : {"S=1", "L", "R100", "100&", "100=", "1\t2", "100\xc3\xa9"})
        EXPECT_NE(dialStringProblem(number), "") << number;
}

TEST(DialString, ProblemNamesTheFirstBadCharacterReadably)
{
    EXPECT_EQ(dialStringProblem("100\rAT&F", "The dial prefix").rfind("The dial prefix holds \\x0D,", 0), 0u)
        << dialStringProblem("100\rAT&F", "The dial prefix");
    EXPECT_EQ(dialStringProblem("55;5").rfind("The fax number holds \";\",", 0), 0u) << dialStringProblem("55;5");
}

// Brackets and dots only format a number; they never reach the modem.
TEST(DialString, DialableFormDropsBracketsAndDots)
{
    EXPECT_EQ(qln::dialableForm("+44 (0)20 7946.0958"), "+44 020 79460958");
    EXPECT_EQ(qln::dialableForm("9,555-1212#22"), "9,555-1212#22");
}
