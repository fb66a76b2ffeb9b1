// How a failed reference operation tells the user: the module's "Reference Error" dialog.
#pragma once

#include "host/core/WStr.h"

// Nothing while the host is quiet. Otherwise the text's line breaks become "\r\n", the text is kept as the
// module's last error text, the host sounds its error beep and the "Reference Error" dialog (a read-only
// text box and an OK button) shows it over the main window.
void ShowReferenceError(const MSTR& text);
