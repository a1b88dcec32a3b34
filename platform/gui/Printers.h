#pragma once
// The application's printer: the one that Print Setup configures and every print uses.

class QPrinter;

QPrinter& Printer();
