#pragma once
// The application object: its title, its default error box, and the guard that every event
// handler runs under, so a failing command shows its message and the program goes on.

#include <exception>
#include <functional>
#include <string>

class QWidget;

class TApplication {
 public:
  std::string Title;
  // When set, takes every failure in place of the default error box.
  std::function<void(const std::exception&)> OnException;

  // Font substitutions for the stored layouts, the regional decimal separator; call once after
  // the QApplication exists.
  void Initialize();
  void HandleException(const std::exception& e);
  // The default error box: the message, an error icon, OK, captioned with the title.
  void ShowException(const std::exception& e);

  void SetMainWidget(QWidget* widget) { FMainWidget = widget; }
  QWidget* MainWidget() const { return FMainWidget; }
  int Run();
  void Terminate();

 private:
  QWidget* FMainWidget = nullptr;
};

extern TApplication* Application;

// Runs an event handler; a failure goes to the application's handler instead of the event loop.
template <class F>
void Guard(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
}
