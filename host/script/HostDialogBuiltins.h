// Registration of the script built-ins that talk to the user through the host's services.
#pragma once

class Interpreter;

// messageBox, queryBox and yesNoCancelBox on the host's message box service (a headless run answers from
// the service's queue or with the default button), redrawViews/completeRedraw, and the progress bar:
// progressStart, progressUpdate, progressEnd, getProgressCancel and setProgressCancel.
void RegisterHostDialogBuiltins(Interpreter& interp);
