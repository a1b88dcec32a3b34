#pragma once
// The benchmarks' data sets: joints shaped like real ones (spread azimuths and dips, each its own
// colour), written as a data file that the main window opens through a file dialog answered with
// the file's name.

#include <QDir>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/jclasses.h"
#include "platform/gui/Dialogs.h"

namespace bench {

// Answers every file dialog with one name and refuses everything else.
class TFileAnswer : public TDialogService {
 public:
  std::string FileName;
  int MessageBox(QWidget*, const std::string&, const std::string& text, TMsgDlgType,
                 TMsgDlgButtons) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
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

// Joint j; a grouped one belongs to group j mod 5.
inline TJoint MakeJoint(int j, bool inGroup) {
  TJoint joint;
  joint.Beta = (j * 37 % 360) + 0.25;
  joint.Psi = (j * 13 % 90) + 0.5;
  joint.Color = TColor(j * 997 % 0xFFFFFF);
  joint.InGroup = inGroup;
  joint.GroupIndex = j % 5;
  joint.Caption = "Joint " + std::to_string(j);
  return joint;
}

// A data file in the temporary folder: `singles` single joints, then `grouped` joints, with the
// first `activeGroups` of the ten groups active.
inline std::string WriteDataFile(const std::string& name, int singles, int grouped,
                                 int activeGroups) {
  const std::string path = QDir::temp().filePath(QString::fromStdString(name)).toStdString();
  std::ofstream out(path, std::ios::binary);
  out << "A_VALID_VANDREMOLIX_FILE_VERSION000\r\n";
  for (int g = 0; g < 10; ++g)
    out << "Set " << g << "\r\n"
        << (g < activeGroups ? "True" : "False") << "\r\n"
        << g * 40000 << "\r\n";
  out << singles + grouped << "\r\n";
  for (int j = 0; j < singles + grouped; ++j) {
    const TJoint joint = MakeJoint(j, j >= singles);
    out << joint.Caption << "\r\n"
        << joint.Beta << "\r\n"
        << joint.Psi << "\r\n"
        << BooleanToText(joint.InGroup) << "\r\n"
        << joint.GroupIndex << "\r\n"
        << joint.Color << "\r\n";
  }
  return path;
}

}  // namespace bench
