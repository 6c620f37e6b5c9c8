#include "faximage/converterstatusevent.h"

namespace qln::fax {

QEvent::Type ConverterStatusEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace qln::fax
