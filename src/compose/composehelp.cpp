#include "compose/composehelp.h"

#include <utility>

namespace qln::compose {

namespace {
std::function<void(int)> &opener()
{
    static std::function<void(int)> f;
    return f;
}
}  // namespace

void setHelpOpener(std::function<void(int context)> f) { opener() = std::move(f); }

void openHelp(int context)
{
    if (opener())
        opener()(context);
}

}  // namespace qln::compose
