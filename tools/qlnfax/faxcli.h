// Pieces shared by qlnfax send and qlnfax receive: class names, port
// opening, console reporting of a session and waiting for its end.
#pragma once

#include "commands.h"

#include "faxengine/comport.h"
#include "faxengine/faxabstract.h"

#include <functional>
#include <memory>
#include <string>

namespace qlnfaxcli {

// "1", "2", "2.0" or "auto"; false for anything else.
bool parseFaxClass(const std::string &s, qln::fax::TFaxClass &c);
// Takes exactly one of --device PATH or --com N from args; false otherwise.
bool setUpPort(qln::TApdComPort &port, QlnArgs &args);
// Pumps bridged calls until done() or an interrupt; an interrupt cancels.
void waitForSession(const std::function<bool()> &done, const std::function<void()> &cancel);
// Prints each new status text and every error; on finish stores the result
// code in |result| and sets |done|. Both must outlive the session.
void watchSession(qln::fax::TApdAbstractFax &fax, bool &done, int &result);

} // namespace qlnfaxcli
