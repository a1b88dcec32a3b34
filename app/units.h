#pragma once
// The start-up and shut-down of the program's units, in the order of the unit table: what each
// unit registers (classes for the layouts and the engine's archives) and the state it keeps.

// After the QApplication exists: the engine reads the system colours from its palette.
void InitializeUnits();
// In reverse order; call once for each InitializeUnits.
void FinalizeUnits();
