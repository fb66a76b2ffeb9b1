// Registration of the scene file built-ins of the script language.
#pragma once

class Interpreter;

// loadMaxFile, saveMaxFile, resetMaxFile, mergeMaxFile, saveNodes, checkForSave and the read-only globals
// maxFilePath and maxFileName, on the application object's file operations.
void RegisterSceneFileBuiltins(Interpreter& interp);
