#pragma once
// What the benchmarks of the main window share: the data sets they open and the dialog answers.

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/gui/Dialogs.h"

// Single and grouped joints interleaved, each with a caption (padded to `captionLength`
// characters when that is longer), spread over the azimuths and dips of a field survey, six of
// the ten groups active.
inline void WriteJointFile(const std::string& path, int singles, int grouped,
                           size_t captionLength = 0) {
  std::ofstream out(path, std::ios::binary);
  out << "A_VALID_VANDREMOLIX_FILE_VERSION000\r\n";
  for (int g = 0; g < 10; ++g)
    out << "Set " << char('A' + g) << "\r\n"
        << (g < 6 ? "True" : "False") << "\r\n"
        << g * 1677000 << "\r\n";
  const long total = singles + grouped;
  out << total << "\r\n";
  for (long j = 0; j < total; ++j) {
    // Joint j is single when the running share of singles steps up at it.
    const bool single = (j + 1) * singles / total > j * singles / total;
    std::string caption = "Face " + std::to_string(j % 7) + " joint " + std::to_string(j);
    while (caption.size() < captionLength) caption += " and more";
    out << caption << "\r\n"
        << (j * 373 % 3600) / 10.0 << "\r\n"
        << 2 + (j * 137 % 880) / 10.0 << "\r\n"
        << (single ? "False" : "True") << "\r\n"
        << j % 6 << "\r\n"
        << j * 997 % 0xFFFFFF << "\r\n";
  }
}

// Answers every file dialog with one name, prints every message and refuses everything else.
class TFileAnswer : public TDialogService {
 public:
  std::string FileName;
  int MessageBox(QWidget*, const std::string&, const std::string& text, TMsgDlgType,
                 TMsgDlgButtons) override {
    fprintf(stderr, "message: %s\n", text.c_str());
    return mrCancel;
  }
  bool ExecuteColor(QWidget*, TColor&) override { return false; }
  bool ExecuteFile(QWidget*, TFileDialogRequest& request) override {
    request.FileName = FileName;
    return true;
  }
  bool ExecutePrint(QWidget*, QPrinter&) override { return false; }
  bool ExecutePrinterSetup(QWidget*, QPrinter&) override { return false; }
};
