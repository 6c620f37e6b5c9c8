// What may reach a modem's dial command.
//
// The fax number, the dial prefix and the dial suffix are sent to the modem
// inside one "ATD" command line. A carriage return in any of them would end
// that command early and hand the rest to the modem as a command of its own
// (a reset, a profile write, a second dial), and an escape or other control
// byte is no dial character either. Only these are allowed:
//   - digits 0-9, the DTMF tones A B C D, * # and + (international prefix);
//   - the dial modifiers ',' (pause), '!' (hook flash), '@' (wait for
//     quiet answer), 'W' (wait for dial tone), 'T' and 'P' (tone, pulse);
//   - blanks, '-', '(', ')' and '.', so that a number can be written as
//     "(030) 555-1212"; modems skip blanks and '-', while brackets and dots
//     are dropped from the dial command (dialableForm), as some modems
//     answer a dial command holding them with ERROR;
// letters in either case, as modems read commands without regard to case.
// ';' is refused: it returns the modem to command mode after dialling, so
// the fax call would never connect, and it is how a dial string carries a
// command after it. Every other letter (S=, L, R and the like select stored
// numbers, redial or reverse mode) and every other byte is refused.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace qln {

// The error code a fax session reports when its dial string holds a
// character that may not reach the modem (the sessions report it negated).
inline constexpr int ecBadDialString = 8075;

// Whether c may stand in a dial string.
bool isDialCharacter(char c);

// text without the brackets and dots that only format a number; what goes
// into the dial command.
std::string dialableForm(std::string_view text);

// Empty when every character of text may be dialled; otherwise a sentence
// naming the first one that may not (control bytes as \xNN), with `what`
// ("The fax number", "The dial prefix") at its start.
std::string dialStringProblem(std::string_view text, std::string_view what = "The fax number");

}  // namespace qln
