#include "app/buttonrules.h"

namespace qln {

bool listIsEmpty(long currentRecordNumber, long rowCount)
{
    return currentRecordNumber == rowCount + 1;
}

ButtonEnables computeButtonEnables(const MainViewState &s)
{
    ButtonEnables e;
    e.faxGrid = !s.outgoingEmpty;
    e.recFaxGrid = !s.incomingEmpty;
    e.newFax = s.outgoingTabActive;
    e.clone = s.outgoingTabActive && !s.outgoingEmpty;
    e.send = !s.outgoingEmpty;
    e.receiveItem = !s.receiveMode;
    const bool activeHasRows = s.outgoingTabActive ? !s.outgoingEmpty : !s.incomingEmpty;
    e.edit = activeHasRows;
    e.remove = activeHasRows;
    e.view = activeHasRows;
    e.print = activeHasRows;
    return e;
}

ReceiveButtonText receiveButtonText(bool receiveMode)
{
    if (receiveMode)
        return {"STOP", "Stop receiving faxes"};
    return {"&Receive", "Start receiving faxes"};
}

}  // namespace qln
