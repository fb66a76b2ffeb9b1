// The class descriptors of the record classes and of the holder, and the holder's interface description.
#pragma once

class FPInterfaceDesc;
class OstrivansClassDesc;

// Module-static, built on first use.
OstrivansClassDesc* GetRefBaseClassDesc();
OstrivansClassDesc* GetRefNodeClassDesc();
OstrivansClassDesc* GetRefMaterialClassDesc();
OstrivansClassDesc* GetRefHolderClassDesc();
// The "RefHolder" interface description, attached to the holder's descriptor.
FPInterfaceDesc* GetRefHolderInterfaceDesc();
