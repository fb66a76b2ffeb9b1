// The report of an operation the plug-in does not offer.
#include "plugin/frame/OperationNotAvailable.h"

#include "host/core/Listener.h"

int ReportOperationNotAvailable(const MCHAR* operation, const MCHAR* subject) {
    if (subject)
        mprintf(L"Ostrivans: %s is not available yet (%s)\n", operation, subject);
    else
        mprintf(L"Ostrivans: %s is not available yet\n", operation);
    mflush();
    return 0;
}
