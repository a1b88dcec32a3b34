#pragma once
// The application's printer: the one that Print Setup configures and every print uses.

class QPainter;
class QPrinter;

QPrinter& Printer();

// Starts a print job on Printer(); raises Exception when there is no printer to print to, or
// naming the printer or file when it cannot.
void BeginPrint(QPainter& painter);
