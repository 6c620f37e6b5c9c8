#include "sessions/sendingtips.h"

namespace qln {

namespace {

const SendingTip kTips[kSendingTipCount] = {
    {"Using a credit card or calling card",
     "The modem dials the dial prefix, then the fax number, then the dial suffix, in this order and "
     "nothing else.\n\nPut the calling card's access number into the dial prefix and the card or PIN "
     "number into the dial suffix. Use commas where the card service needs time to answer: each comma "
     "makes the modem pause for two seconds."},
    {"Getting a BUSY signal?",
     "The busy signal is reported by your modem: the number dialled was busy, or the modem heard a tone "
     "it took for one.\n\nCheck the number and the dial prefix. If the line is really busy, Quillon dials "
     "again after the retry wait set in the Preferences, as often as the dial attempts allow."},
    {"Problems dialing?",
     "Do not type \"ATD\" or a tone or pulse letter (T, P) in the number, the prefix or the suffix; "
     "Quillon adds them.\n\nIf an outside line needs a digit first (often 9), put it into the dial "
     "prefix followed by a comma so the modem waits for the dial tone of the outside line."},
    {"Pausing during dialing",
     "A comma in the number, the dial prefix or the dial suffix makes the modem pause for two seconds "
     "before dialling on. Use several commas for a longer pause."},
    {"Problems opening the serial port?",
     "The serial port (such as /dev/ttyS0 or /dev/ttyUSB0) may be held by another program (a terminal "
     "program, another fax program, ModemManager). Close that program and try again. Your user also needs "
     "the right to use the port: on Debian, membership of the group \"dialout\".\n\nIf the port is not "
     "the one the modem is on, use the Find Modem button on the Preferences screen."},
    {"Using a DSL, CABLE or ISDN line?",
     "Faxes are sent through a regular analog telephone line and a fax modem. A DSL, cable or ISDN "
     "connection cannot send faxes with Quillon, unless the modem is plugged into an analog port of "
     "that equipment."},
};

}  // namespace

const SendingTip &sendingTip(int index)
{
    if (index < 0 || index >= kSendingTipCount)
        index = 0;
    return kTips[index];
}

}  // namespace qln
