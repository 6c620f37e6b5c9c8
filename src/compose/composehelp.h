// Help topics of the composition windows, and the hook through which they
// are opened. The program installs the opener (its help pages); without one,
// a request does nothing. User-interface thread only.
#pragma once

#include <functional>

namespace qln::compose {

namespace helpcontext {
constexpr int kFaxEditor = 1015;
constexpr int kCoverBrowser = 1017;
constexpr int kCoverEditor = 1018;
constexpr int kPhoneBook = 1019;
constexpr int kPhoneBookEditor = 1020;
}  // namespace helpcontext

void setHelpOpener(std::function<void(int context)> opener);
void openHelp(int context);

}  // namespace qln::compose
